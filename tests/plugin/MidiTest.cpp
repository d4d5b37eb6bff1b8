// MIDI through the plug-in object: the ring of received events that the runtime reads, and the
// two send calls with the events the host receives.

#include "tests/plugin/ProbeRuntime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
VstMidiEvent Note(int32_t delta, unsigned char status, unsigned char key, unsigned char velocity)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(key);
    e.midiData[2] = static_cast<char>(velocity);
    return e;
}

// The one event of the last list the host was sent, as copied on arrival; false when there was
// no list, or it held other than one event of exactly the size of an `Event`.
template <typename Event> bool LastSentEvent(const CHostCallback& host, Event& event)
{
    const std::vector<HostRequest> requests = host.requests();
    for (auto r = requests.rbegin(); r != requests.rend(); ++r)
    {
        if (r->opcode != audioMasterProcessEvents) continue;
        if (r->eventCount != 1 || r->events.size() != 1 || r->events[0].size() != sizeof(Event))
            return false;
        std::memcpy(&event, r->events[0].data(), sizeof event);
        return true;
    }
    return false;
}
} // namespace

TEST(Midi, RingKeepsTheLatestEvents)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    int32_t delta = 0, b0 = 0, b1 = 0, b2 = 0;
    EXPECT_FALSE(runtime->HostReceiveMidi(delta, b0, b1, b2));

    // 1001 notes in one list, plus a sysex event and a hole that are skipped: the write index
    // passes the read index once, so one event is readable, the last.
    std::vector<VstMidiEvent> notes;
    for (int i = 0; i < 1001; ++i)
        notes.push_back(Note(i, 0x90, static_cast<unsigned char>(i % 128), 100));
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof sysex;
    std::vector<VstEvent*> pointers;
    pointers.push_back(reinterpret_cast<VstEvent*>(&sysex));
    pointers.push_back(nullptr);
    for (auto& n : notes)
        pointers.push_back(reinterpret_cast<VstEvent*>(&n));
    std::vector<unsigned char> storage(sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(pointers.size());
    std::memcpy(list->events, pointers.data(), pointers.size() * sizeof(VstEvent*));
    EXPECT_EQ(instance.dispatch(effProcessEvents, 0, 0, list), 1);

    ASSERT_TRUE(runtime->HostReceiveMidi(delta, b0, b1, b2));
    EXPECT_EQ(delta, 1000);
    EXPECT_EQ(b0, 0x90); // bytes come back without sign
    EXPECT_EQ(b1, 1000 % 128);
    EXPECT_EQ(b2, 100);
    EXPECT_FALSE(runtime->HostReceiveMidi(delta, b0, b1, b2));
    EXPECT_EQ(delta + b0 + b1 + b2, 0);

    // In order, each once; status bytes above 127 are not negative.
    VstMidiEvent two[2] = {Note(3, 0xFF, 1, 2), Note(4, 0x80, 60, 0)};
    VstEvents small{};
    small.numEvents = 2;
    small.events[0] = reinterpret_cast<VstEvent*>(&two[0]);
    small.events[1] = reinterpret_cast<VstEvent*>(&two[1]);
    instance.dispatch(effProcessEvents, 0, 0, &small);
    ASSERT_TRUE(runtime->HostReceiveMidi(delta, b0, b1, b2));
    EXPECT_EQ(delta, 3);
    EXPECT_EQ(b0, 255);
    ASSERT_TRUE(runtime->HostReceiveMidi(delta, b0, b1, b2));
    EXPECT_EQ(b1, 60);
    EXPECT_FALSE(runtime->HostReceiveMidi(delta, b0, b1, b2));

    // A negative count or a null list brings nothing.
    small.numEvents = -3;
    EXPECT_EQ(instance.dispatch(effProcessEvents, 0, 0, &small), 1);
    EXPECT_EQ(instance.dispatch(effProcessEvents, 0, 0, nullptr), 0);
    EXPECT_FALSE(runtime->HostReceiveMidi(delta, b0, b1, b2));
}

TEST(Midi, SendCallsGiveTheHostOneEvent)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    COstra* plugin = instance.plugin;
    ASSERT_NE(plugin, nullptr);
    CHostCallback& host = instance.host;

    host.processEventsAnswer = 1;
    EXPECT_TRUE(runtime->HostSendMidi(17, 0x90, 64, 127));
    VstMidiEvent note{};
    ASSERT_TRUE(LastSentEvent(host, note));
    EXPECT_EQ(note.type, kVstMidiType);
    EXPECT_EQ(note.deltaFrames, 17);
    EXPECT_EQ(static_cast<unsigned char>(note.midiData[0]), 0x90);
    EXPECT_EQ(note.midiData[1], 64);
    EXPECT_EQ(note.midiData[2], 127);
    EXPECT_EQ(note.noteLength + note.noteOffset + note.detune + note.flags, 0);

    const unsigned char dump[5] = {0xF0, 1, 2, 3, 0xF7};
    EXPECT_TRUE(plugin->sendSysex(9, dump, 5));
    VstMidiSysexEvent sysex{};
    ASSERT_TRUE(LastSentEvent(host, sysex));
    EXPECT_EQ(sysex.type, kVstSysExType);
    EXPECT_EQ(sysex.deltaFrames, 9);
    EXPECT_EQ(sysex.dumpBytes, 5);
    EXPECT_EQ(static_cast<const void*>(sysex.sysexDump), static_cast<const void*>(dump));

    // Success is an answer of exactly 1.
    host.processEventsAnswer = 2;
    EXPECT_FALSE(runtime->HostSendMidi(0, 0x80, 64, 0));
    host.processEventsAnswer = 0;
    EXPECT_FALSE(plugin->sendSysex(0, dump, 5));
}
