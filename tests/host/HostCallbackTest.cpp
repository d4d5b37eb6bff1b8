// The host side of the callback: what it answers a plug-in, the transport it reports, how it
// finds its host object during and after the making of a plug-in, and what it records.

#include "host/lib/HostCallback.h"
#include "host/lib/VstPlugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
// A minimal plug-in entry point that asks what a plug-in asks while being made.
AEffect madeRecord;
VstIntPtr versionSeenWhileMaking = -1;

VstIntPtr fakeDispatcher(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

AEffect* fakeEntry(audioMasterCallback master)
{
    versionSeenWhileMaking = master(nullptr, audioMasterVersion, 0, 0, nullptr, 0);
    if (versionSeenWhileMaking == 0) return nullptr;
    madeRecord = AEffect{};
    madeRecord.magic = kEffectMagic;
    madeRecord.dispatcher = fakeDispatcher;
    return &madeRecord;
}

AEffect* noMagicEntry(audioMasterCallback)
{
    madeRecord = AEffect{};
    return &madeRecord;
}
} // namespace

TEST(HostCallback, AnswersFromItsSettings)
{
    CHostCallback host;
    AEffect effect{};
    host.attach(&effect);
    auto call = [&](VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr)
    { return CHostCallback::callback(&effect, op, index, value, ptr, 0.0f); };
    EXPECT_EQ(call(audioMasterVersion), 2400);
    host.sampleRate = 48000.0f;
    host.blockSize = 128;
    EXPECT_EQ(call(audioMasterGetSampleRate), 48000);
    EXPECT_EQ(call(audioMasterGetBlockSize), 128);
    EXPECT_EQ(call(audioMasterGetVendorVersion), 1000);

    char text[kVstMaxVendorStrLen + 8];
    std::memset(text, 'x', sizeof text);
    host.vendorString = std::string(200, 'v'); // longer than a plug-in's buffer
    EXPECT_EQ(call(audioMasterGetVendorString, 0, 0, text), 1);
    EXPECT_EQ(std::strlen(text), size_t(kVstMaxVendorStrLen - 1));
    EXPECT_EQ(text[kVstMaxVendorStrLen], 'x'); // nothing beyond the limit
    EXPECT_EQ(call(audioMasterGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "quar2-host");
    EXPECT_EQ(call(audioMasterGetProductString), 0); // null buffer

    char sizeWindow[] = "sizeWindow";
    char offline[] = "offline";
    EXPECT_EQ(call(audioMasterCanDo, 0, 0, sizeWindow), 1);
    EXPECT_EQ(call(audioMasterCanDo, 0, 0, offline), 0);
    host.answerOverrides[audioMasterCanDo] = -1;
    EXPECT_EQ(call(audioMasterCanDo, 0, 0, sizeWindow), -1);

    EXPECT_EQ(call(audioMasterSizeWindow, 430, 600), 1);
    EXPECT_EQ(host.requestedWidth(), 430);
    EXPECT_EQ(host.requestedHeight(), 600);

    // The record keeps every request, canDo texts included.
    const auto requests = host.requests();
    ASSERT_EQ(requests.size(), 11u);
    EXPECT_EQ(requests[7].opcode, audioMasterCanDo);
    EXPECT_EQ(requests[7].text, "sizeWindow");
    EXPECT_TRUE(requests[0].withEffect);
    EXPECT_EQ(host.count(audioMasterCanDo), 3);
    host.clearRequests();
    EXPECT_EQ(host.count(audioMasterCanDo), 0);

    // Event lists are copied as they arrive: the count, and the first 16 events at most, each
    // cut at 256 bytes; a null event is passed over.
    std::vector<unsigned char> big(300, 0x5A);
    VstEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    reinterpret_cast<VstEvent*>(big.data())->byteSize = 300;
    std::vector<unsigned char> storage(sizeof(VstEvents) + 20 * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = 20;
    VstEvent* events[20] = {&note, nullptr, reinterpret_cast<VstEvent*>(big.data())};
    for (int i = 3; i < 20; ++i)
        events[i] = &note;
    std::memcpy(list->events, events, sizeof events);
    call(audioMasterProcessEvents, 0, 0, list);
    HostRequest sent = host.requests().back();
    EXPECT_EQ(sent.eventCount, 20);
    EXPECT_EQ(sent.ptr, list);
    EXPECT_EQ(sent.effect, &effect);
    ASSERT_EQ(sent.events.size(), 15u); // 16 looked at, one of them null
    EXPECT_EQ(sent.events[0].size(), sizeof note);
    EXPECT_EQ(sent.events[1].size(), 256u);
    EXPECT_EQ(sent.events[1][200], 0x5A);

    // A host without built-in answers answers 0 and fills nothing, unless overridden.
    host.builtInAnswers = false;
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(call(audioMasterVersion), 0);
    EXPECT_EQ(call(audioMasterGetVendorString, 0, 0, text), 0);
    EXPECT_EQ(text[0], 'x');
    EXPECT_EQ(call(audioMasterCanDo, 0, 0, sizeWindow), -1);
}

TEST(HostCallback, TimeInfoFollowsTheTransport)
{
    CHostCallback host;
    AEffect effect{};
    host.attach(&effect);
    host.sampleRate = 48000.0f;
    host.tempo = 90.0;
    host.timeSigNumerator = 3;
    host.timeSigDenominator = 4;
    auto time = [&](VstInt32 filter)
    {
        return reinterpret_cast<VstTimeInfo*>(
            CHostCallback::callback(&effect, audioMasterGetTime, 0, filter, nullptr, 0.0f));
    };
    VstTimeInfo* info = time(kVstTempoValid);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->tempo, 90.0);
    EXPECT_EQ(info->sampleRate, 48000.0);
    EXPECT_EQ(info->timeSigNumerator, 3);
    EXPECT_EQ(info->timeSigDenominator, 4);
    EXPECT_EQ(info->flags & kVstTransportPlaying, kVstTransportPlaying);
    EXPECT_EQ(info->flags & (kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid),
              kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid);
    EXPECT_EQ(info->flags & kVstTransportRecording, 0);
    EXPECT_EQ(info->ppqPos, 0.0);

    // Ten seconds at 90 bpm are 15 quarter notes; in 3/4 the bar started at 15.
    host.advance(480000);
    info = time(kVstPpqPosValid);
    EXPECT_EQ(info->samplePos, 480000.0);
    EXPECT_DOUBLE_EQ(info->ppqPos, 15.0);
    EXPECT_DOUBLE_EQ(info->barStartPos, 15.0);
    host.advance(48000); // one more second: 16.5 quarters, bar still at 15
    EXPECT_DOUBLE_EQ(time(0)->barStartPos, 15.0);

    // A stopped transport does not move and says so; recording is reported.
    host.playing = false;
    host.recording = true;
    host.advance(1000);
    info = time(kVstTransportPlaying);
    EXPECT_EQ(info->samplePos, 528000.0);
    EXPECT_EQ(info->flags & kVstTransportPlaying, 0);
    EXPECT_EQ(info->flags & kVstTransportRecording, kVstTransportRecording);
    host.rewind();
    EXPECT_EQ(time(0)->samplePos, 0.0);

    host.timeInfoAvailable = false;
    EXPECT_EQ(time(kVstTempoValid), nullptr);
    EXPECT_EQ(host.count(audioMasterGetTime), 6);
    EXPECT_EQ(host.requests().back().value, kVstTempoValid);
}

TEST(HostCallback, FindsItsHostWhileAPluginIsMade)
{
    CHostCallback host;
    std::string error;
    auto plugin = CVstPlugin::create(fakeEntry, host, error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(versionSeenWhileMaking, 2400);
    EXPECT_EQ(plugin->effect(), &madeRecord);
    EXPECT_EQ(madeRecord.resvd1, reinterpret_cast<VstIntPtr>(&host));
    ASSERT_EQ(host.requests().size(), 1u);
    EXPECT_FALSE(host.requests()[0].withEffect);
    plugin.reset();

    // Outside the making, a call without a bound record reaches no host.
    EXPECT_EQ(CHostCallback::callback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 0);

    // A host that refuses the version gets no plug-in; the reason is given.
    CHostCallback refusing;
    refusing.versionAnswer = 0;
    EXPECT_EQ(CVstPlugin::create(fakeEntry, refusing, error), nullptr);
    EXPECT_EQ(versionSeenWhileMaking, 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(CVstPlugin::create(noMagicEntry, host, error), nullptr);
    EXPECT_NE(error.find("magic"), std::string::npos);
    EXPECT_EQ(CVstPlugin::create(nullptr, host, error), nullptr);
}

TEST(VstLibrary, ReportsWhatCannotBeLoaded)
{
    CVstLibrary library;
    EXPECT_FALSE(library.open("no-such-plugin-file.quar2"));
    EXPECT_FALSE(library.isOpen());
    EXPECT_NE(library.error().find("no-such-plugin-file.quar2"), std::string::npos);
    EXPECT_EQ(library.findEntry(), nullptr);
    // A system library loads but is no plug-in: none of the three entry points exists.
#ifdef _WIN32
    ASSERT_TRUE(library.open("kernel32.dll")) << library.error();
#else
    ASSERT_TRUE(library.open("libm.so.6")) << library.error();
#endif
    std::string name = "unchanged";
    EXPECT_EQ(library.findEntry(&name), nullptr);
    EXPECT_EQ(name, "unchanged");
    library.close();
    EXPECT_FALSE(library.isOpen());
}
