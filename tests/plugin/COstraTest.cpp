// The plug-in object in process, around a probe runtime: the factory, the Create entry, the
// life-cycle hooks behind the dispatcher, null callback entries, the mouse entries, the
// runtime's view of the host, parameters and the bounds of every host text buffer.

#include "plugin/OstraInstance.h"
#include "tests/plugin/FailingAllocation.h"
#include "tests/plugin/ProbeRuntime.h"
#include "plugin/EditorSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace
{
// Both builds carry the editor (Win32/GDI+ and X11/cairo).
constexpr bool kHasEditor = true;

// Counts destructions, to see that the runtime goes before the editor.
bool* runtimeGoneFlag = nullptr;
int editorSawRuntimeGone = -1;

class OrderEditor : public AEffEditor
{
  public:
    using AEffEditor::AEffEditor;
    ~OrderEditor() override { editorSawRuntimeGone = runtimeGoneFlag && *runtimeGoneFlag; }
};

void CreateWithOrderEditor(COstra* plugin)
{
    plugin->setEditor(new OrderEditor(plugin));
}
} // namespace

TEST(COstra, HostThatRefusesGetsNothing)
{
    bool deleted = false;
    auto* runtime = new ProbeRuntime(2, &deleted);
    {
        ProbeInstance instance(runtime, MakeOstraCallbacks(), 0);
        EXPECT_EQ(instance.plugin, nullptr);
        EXPECT_EQ(instance.host.count(audioMasterVersion), 1);
    }
    EXPECT_FALSE(deleted); // still the caller's
    EXPECT_EQ(runtime->adapter, nullptr);
    delete runtime;
    EXPECT_EQ(CreateOstra(nullptr, MakeOstraCallbacks(), nullptr, 1, 0), nullptr);
}

TEST(COstra, CreateSetsTheRecordUpFromTheRuntime)
{
    auto* runtime = new ProbeRuntime(3);
    ProbeInstance instance(runtime);
    ASSERT_NE(instance.plugin, nullptr);
    const AEffect* e = instance.effect();
    EXPECT_EQ(e->numInputs, 3);
    EXPECT_EQ(e->numOutputs, 3);
    EXPECT_EQ(e->numParams, 4);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->uniqueID, 0x50524F42);
    EXPECT_EQ(e->flags, kHasEditor ? 0x1031 : 0x1030);
    EXPECT_EQ(instance.plugin->getRuntime(), runtime);
    EXPECT_EQ(runtime->adapter, instance.plugin);

    // The editor is made once; a second Create keeps it.
    AEffEditor* editor = instance.plugin->getEditor();
    EXPECT_EQ(editor != nullptr, kHasEditor);
    instance.plugin->getCallbacks().Create(instance.plugin);
    EXPECT_EQ(instance.plugin->getEditor(), editor);
    int32_t width = -1, height = -1;
    EXPECT_EQ(runtime->HostEditorSize(width, height), kHasEditor);
    EXPECT_EQ(width, kHasEditor ? kEditorWidth : 0);
    EXPECT_EQ(height, kHasEditor ? kEditorHeight : 0);
    EXPECT_EQ(runtime->HostRedraw(), 0); // no script view is open
    // Editor requests without an editor answer 0 and write nothing.
    if (!kHasEditor)
    {
        ERect* rect = reinterpret_cast<ERect*>(0x1);
        EXPECT_EQ(instance.dispatch(effEditGetRect, 0, 0, &rect), 0);
        EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1));
        EXPECT_EQ(instance.dispatch(effEditOpen, 0, 0, &rect), 0);
        EXPECT_EQ(instance.dispatch(effSetEditKnobMode, 0, 2), 0);
        EXPECT_EQ(instance.dispatch(effEditKeyDown, 'a', 0), 0);
    }
}

TEST(COstra, LifeCycleHooksAndDestructionOrder)
{
    bool deleted = false;
    auto* runtime = new ProbeRuntime(2, &deleted);
    TOstraCallbacks table = MakeOstraCallbacks();
    table.Create = CreateWithOrderEditor;
    auto* instance = new ProbeInstance(runtime, table);
    ASSERT_NE(instance->plugin, nullptr);
    instance->dispatch(effOpen);
    instance->dispatch(effMainsChanged, 0, 1);
    instance->dispatch(effMainsChanged, 0, 0);
    instance->dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(runtime->log, "open;init;slider;suspend;init;slider;");
    EXPECT_EQ(instance->host.count(audioMasterWantMidi), 0);

    // The editor's entries for drawing and idle reach the runtime's hooks.
    const TOstraCallbacks& c = instance->plugin->getCallbacks();
    runtime->log.clear();
    c.Idle(instance->plugin);
    c.Draw(instance->plugin, kEditorWidth, kEditorHeight);
    EXPECT_EQ(runtime->log, "idle;gfx 430x600;");
    EXPECT_EQ(c.KeyDown, nullptr);
    EXPECT_EQ(c.KeyUp, nullptr);

    runtimeGoneFlag = &deleted;
    runtime->log.clear();
    delete instance; // effClose: the Close hook, then the object, the runtime, the editor
    EXPECT_TRUE(deleted);
    EXPECT_EQ(editorSawRuntimeGone, 1);
    runtimeGoneFlag = nullptr;
}

TEST(COstra, NullEntriesAnswerZero)
{
    // Without the Destroy entry nothing deletes the runtime: the test does.
    auto* runtime = new ProbeRuntime(2);
    {
        TOstraCallbacks table{};
        ProbeInstance instance(runtime, table);
        ASSERT_NE(instance.plugin, nullptr);
        COstra& p = *instance.plugin;
        // Without Create the record keeps the AudioEffect defaults.
        EXPECT_EQ(instance.effect()->numInputs, 1);
        EXPECT_EQ(instance.effect()->flags, 0x1010);
        char text[16];
        for (VstInt32 op :
             {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName})
        {
            std::memset(text, 'x', sizeof text);
            EXPECT_EQ(instance.dispatch(op, 0, 0, text), 0);
            EXPECT_EQ(text[0], 0) << "opcode " << op;
        }
        EXPECT_EQ(instance.dispatch(effGetEffectName, 0, 0, text), 0);
        EXPECT_EQ(instance.dispatch(effGetVendorVersion), 0);
        void* data = nullptr;
        EXPECT_EQ(instance.dispatch(effGetChunk, 0, 0, &data), 0);
        EXPECT_EQ(instance.dispatch(effSetChunk, 0, 4, text), 0);
        EXPECT_EQ(p.getParameter(0), 0.0f);
        p.setParameter(0, 1.0f);
        instance.dispatch(effOpen);
        instance.dispatch(effMainsChanged, 0, 1);
        float buffer[2] = {3.0f, 4.0f};
        float* channels[2] = {buffer, buffer + 1};
        instance.effect()->processReplacing(instance.effect(), channels, channels, 1);
        EXPECT_EQ(buffer[0], 3.0f);
        EXPECT_EQ(runtime->log, "");
        EXPECT_EQ(runtime->blocks, 0);
        EXPECT_EQ(runtime->sliders[2], 5.0);
    }
    delete runtime;
}

TEST(COstra, KeepsItsOwnCopyOfTheTable)
{
    auto* runtime = new ProbeRuntime(2);
    TOstraCallbacks table = MakeOstraCallbacks();
    ProbeInstance instance(runtime, table);
    table.Open = nullptr;
    instance.dispatch(effOpen);
    EXPECT_EQ(runtime->log, "open;");
}

TEST(COstra, MouseEntries)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    const TOstraCallbacks& c = instance.plugin->getCallbacks();
    EXPECT_EQ(runtime->redrawRate, 0.0);
    c.MouseDown(instance.plugin, 10.0, 20.5, 2u | 16u); // left + shift
    EXPECT_EQ(runtime->mouseButtons, 9.0);
    EXPECT_EQ(runtime->mouseX, 10.0);
    EXPECT_EQ(runtime->mouseY, 20.5);
    EXPECT_EQ(runtime->redrawRate, 30.0);
    c.MouseMoved(instance.plugin, 11.0, 21.0, 0u);
    EXPECT_EQ(runtime->mouseButtons, 9.0); // moves keep the buttons
    EXPECT_EQ(runtime->mouseX, 11.0);
    runtime->redrawRate = 60.0;
    c.MouseUp(instance.plugin, 12.0, 22.0, 2u);
    EXPECT_EQ(runtime->mouseButtons, 0.0);
    EXPECT_EQ(runtime->mouseY, 22.0);
    EXPECT_EQ(runtime->redrawRate, 60.0); // raised to 30 at least, never lowered
    // Every known bit: left 1, right 2, control 4, shift 8, alt 16, middle 64; others dropped.
    c.MouseDown(instance.plugin, 0.0, 0.0, 2u | 4u | 8u | 16u | 32u | 64u | 256u | 1024u | 1u);
    EXPECT_EQ(runtime->mouseButtons, 95.0);
}

TEST(COstra, RuntimeSeesTheHost)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    CHostCallback& host = instance.host;
    EXPECT_EQ(runtime->HostSampleRate(), 44100.0);
    EXPECT_EQ(runtime->HostBlockSize(), 1024);
    instance.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    instance.dispatch(effSetBlockSize, 0, 300);
    EXPECT_EQ(runtime->HostSampleRate(), 48000.0);
    EXPECT_EQ(runtime->HostBlockSize(), 300);
    EXPECT_EQ(runtime->HostChannelCount(), 2);
    EXPECT_EQ(runtime->HostOutputChannelCount(), 2);

    host.tempo = 93.0;
    host.timeSigNumerator = 6;
    host.timeSigDenominator = 8;
    host.recording = true;
    host.sampleRate = 48000.0f;
    host.advance(48000 * 10); // 15.5 quarters at 93 bpm
    host.clearRequests();
    EXPECT_EQ(runtime->HostTempo(), 93.0);
    double tempo, num, den;
    runtime->HostTempoAndTimeSig(tempo, num, den);
    EXPECT_EQ(tempo, 93.0);
    EXPECT_EQ(num, 6.0);
    EXPECT_EQ(den, 8.0);
    EXPECT_TRUE(runtime->HostPlaying());
    EXPECT_TRUE(runtime->HostRecording());
    EXPECT_DOUBLE_EQ(runtime->HostPpqPosition(), 15.5);
    EXPECT_DOUBLE_EQ(runtime->HostBarStart(), 15.0); // 6/8: bars of 3 quarters
    // Each question asks only for what it reads.
    const auto requests = host.requests();
    ASSERT_EQ(requests.size(), 6u);
    const VstIntPtr masks[] = {0x400, 0x2400, 0x2, 0x8, 0x200, 0x800};
    for (size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ(requests[i].opcode, audioMasterGetTime);
        EXPECT_EQ(requests[i].value, masks[i]) << i;
    }
    // A host without time information reads as zeros.
    host.timeInfoAvailable = false;
    EXPECT_EQ(runtime->HostTempo(), 0.0);
    runtime->HostTempoAndTimeSig(tempo, num, den);
    EXPECT_EQ(tempo + num + den, 0.0);
    EXPECT_FALSE(runtime->HostPlaying());
    EXPECT_FALSE(runtime->HostRecording());
    EXPECT_EQ(runtime->HostPpqPosition(), 0.0);

    // Latency before the plug-in runs: only the record's field, no message to the host (it reads
    // the field when it resumes the plug-in).
    EXPECT_EQ(runtime->HostSetLatency(64), 1);
    EXPECT_EQ(instance.effect()->initialDelay, 64);
    EXPECT_EQ(host.count(audioMasterIOChanged), 0);
    // While it runs, a change is announced, once per change; a suspended plug-in is read again at
    // the next resume.
    instance.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(host.count(audioMasterIOChanged), 0);
    EXPECT_EQ(runtime->HostSetLatency(64), 1);
    EXPECT_EQ(host.count(audioMasterIOChanged), 0);
    EXPECT_EQ(runtime->HostSetLatency(32), 1);
    EXPECT_EQ(instance.effect()->initialDelay, 32);
    EXPECT_EQ(host.count(audioMasterIOChanged), 1);
    instance.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(runtime->HostSetLatency(64), 1);
    EXPECT_EQ(host.count(audioMasterIOChanged), 1);
    instance.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(instance.effect()->initialDelay, 64);
    EXPECT_EQ(host.count(audioMasterIOChanged), 1);
    EXPECT_EQ(runtime->HostUpdateDisplay(), 1);
    EXPECT_EQ(host.count(audioMasterUpdateDisplay), 1);
    EXPECT_EQ(instance.plugin->getFontCache() != nullptr, true);
    EXPECT_EQ(runtime->HostDrawContext(), nullptr);
}

TEST(COstra, ParametersOfUnusualSliders)
{
    auto* runtime = new ProbeRuntime(2);
    ProbeInstance instance(runtime);
    COstra& p = *instance.plugin;
    EXPECT_EQ(p.getParameter(0), 0.5f);
    EXPECT_EQ(p.getParameter(3), 0.0f); // empty range: 0, not 0/0
    // Equal within 0.00001: nothing changes, the slider hook does not run.
    p.setParameter(0, 0.5f);
    p.setParameter(0, 0.5000004f);
    EXPECT_EQ(runtime->log, "");
    p.setParameter(0, 0.56f); // 5.6 -> 6
    EXPECT_EQ(runtime->sliders[2], 6.0);
    EXPECT_EQ(runtime->log, "slider;");
    // No step: taken as it is, into the mirror as well.
    p.setParameter(2, 0.3f);
    EXPECT_DOUBLE_EQ(runtime->sliders[4], static_cast<double>(0.3f));
    EXPECT_EQ(runtime->mirror, runtime->sliders[4]);
    // Host values that are no number change nothing.
    runtime->log.clear();
    p.setParameter(0, std::numeric_limits<float>::quiet_NaN());
    p.setParameter(0, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(runtime->sliders[2], 6.0);
    EXPECT_EQ(runtime->log, "");

    // Display texts: numbers with two decimals, cut at the buffer; names picked by position.
    char text[512];
    auto display = [&](VstInt32 index)
    {
        std::memset(text, 'x', sizeof text);
        instance.dispatch(effGetParamDisplay, index, 0, text);
        return std::string(text);
    };
    EXPECT_EQ(display(0), "6.00");
    runtime->sliders[2] = 1e300;
    EXPECT_EQ(display(0).size(), 63u);
    EXPECT_EQ(text[64], 'x');
    runtime->sliders[3] = 1.0;
    EXPECT_EQ(display(1), "Medium");
    runtime->sliders[3] = 1.99;
    EXPECT_EQ(display(1), "Medium"); // truncated toward zero
    runtime->sliders[3] = 7.0;
    EXPECT_EQ(display(1), "Fast");
    runtime->sliders[3] = -0.5;
    EXPECT_EQ(display(1), "Slow");
    runtime->sliders[3] = std::nan("");
    EXPECT_EQ(display(1), "Slow");
    runtime->sliders[3] = 1e12;
    EXPECT_EQ(display(1), "Slow"); // beyond 32 bits
}

TEST(COstra, HostTextBuffersAreBounded)
{
    auto* runtime = new ProbeRuntime(2);
    runtime->sliderRecords[0].name = std::string(200, 'n');
    runtime->sliderRecords[0].label = std::string(200, 'l');
    runtime->effectName = std::string(200, 'e');
    runtime->vendorString = std::string(200, 'v');
    runtime->productString = std::string(200, 'p');
    ProbeInstance instance(runtime);
    std::string longName(1000, 'q');
    instance.dispatch(effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(runtime->programName, longName); // kept whole

    struct Case
    {
        VstInt32 opcode;
        size_t bound; // bytes written at most, terminator included
    };
    for (Case c :
         {Case{effGetParamName, 64}, Case{effGetParamLabel, 64}, Case{effGetEffectName, 32},
          Case{effGetVendorString, 64}, Case{effGetProductString, 64}, Case{effGetProgramName, 24}})
    {
        char buffer[512];
        std::memset(buffer, 'x', sizeof buffer);
        instance.dispatch(c.opcode, 0, 0, buffer);
        EXPECT_EQ(std::strlen(buffer), c.bound - 1) << "opcode " << c.opcode;
        for (size_t i = c.bound; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 'x') << "opcode " << c.opcode << " wrote byte " << i;
    }
    char tiny[] = "receive";
    EXPECT_EQ(instance.dispatch(effCanDo, 0, 0, tiny), -1);
}

namespace
{
// A host that answers its version and nothing else, and allocates nothing itself: the only
// allocations in these calls are the plug-in's.
VstIntPtr QuietHost(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                    void* /*ptr*/, float /*opt*/)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::vector<uint8_t> ChunkOf(AEffect* e)
{
    void* data = nullptr;
    const VstIntPtr size = Dispatch(e, effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) return {};
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

std::string ProgramNameOf(AEffect* e)
{
    char name[256] = {};
    Dispatch(e, effGetProgramName, 0, 0, name);
    return name;
}

// Runs `call` with the first, the second, ... allocation made in it failing, until it makes
// none that fails; `check(failed)` looks at the plug-in after each run. Answers the number of
// runs in which an allocation failed.
template <typename Call, typename Check> int WithEachAllocationFailing(Call call, Check check)
{
    int failures = 0;
    for (long n = 0; n < 100000; ++n)
    {
        FailAllocationAfter(n);
        call();
        const bool failed = StopFailingAllocations();
        check(failed);
        if (!failed) break;
        ++failures;
    }
    return failures;
}
} // namespace

TEST(COstra, FailedAllocationsNeverThrowIntoTheHost)
{
    // The instance itself: each of its allocations failing in turn gives no instance and leaves
    // nothing behind (the sanitized build checks for leaks), or, where the runtime does without
    // what it could not get (script memory pages come later), an instance that works.
    AEffect* e = nullptr;
    int madeAnyway = 0;
    const int creationFailures = WithEachAllocationFailing(
        [&] { e = MakeOstraInstance(QuietHost); },
        [&](bool failed)
        {
            if (!failed)
            {
                EXPECT_NE(e, nullptr);
                return;
            }
            if (!e) return;
            ++madeAnyway;
            Dispatch(e, effOpen);
            Dispatch(e, effMainsChanged, 0, 1);
            std::vector<float> left(64, 0.25f), right(64, -0.25f);
            float* io[2] = {left.data(), right.data()};
            e->processReplacing(e, io, io, 64);
            EXPECT_TRUE(std::isfinite(left[63]) && std::isfinite(right[63]));
            Dispatch(e, effClose);
            e = nullptr;
        });
    EXPECT_GT(creationFailures, madeAnyway);
    ASSERT_NE(e, nullptr);
    Dispatch(e, effOpen);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(e, effSetBlockSize, 0, 64);
    Dispatch(e, effMainsChanged, 0, 1);

    const std::vector<uint8_t> before = ChunkOf(e);
    ASSERT_EQ(before.size(), 260u);
    std::vector<float> parameters;
    for (VstInt32 i = 0; i < e->numParams; ++i)
        parameters.push_back(e->getParameter(e, i));
    auto unchanged = [&]
    {
        EXPECT_EQ(ChunkOf(e), before);
        for (VstInt32 i = 0; i < e->numParams; ++i)
            EXPECT_EQ(e->getParameter(e, i), parameters[static_cast<size_t>(i)]) << i;
    };
    // Audio goes on after every failure.
    auto levels = [&]
    {
        std::vector<float> left(64, 0.25f), right(64, -0.25f);
        float* io[2] = {left.data(), right.data()};
        e->processReplacing(e, io, io, 64);
        EXPECT_TRUE(std::isfinite(left[63]) && std::isfinite(right[63]));
    };

    // A state chunk, larger than any before (so that taking it needs memory): loaded whole, or
    // (answer 0) not at all.
    std::vector<uint8_t> other = before;
    const float pushDown = -15.0f; // slider 5, the fifth value after the marker
    std::memcpy(other.data() + 5 * sizeof(float), &pushDown, sizeof pushDown);
    const std::vector<uint8_t> saved = other;
    other.resize(64 * 1024); // values past slider 64 are not read
    VstIntPtr answer = 0;
    const int chunkFailures = WithEachAllocationFailing(
        [&] {
            answer =
                Dispatch(e, effSetChunk, 0, static_cast<VstIntPtr>(other.size()), other.data());
        },
        [&](bool failed)
        {
            if (failed)
            {
                EXPECT_EQ(answer, 0);
                unchanged();
                levels();
            }
            else
            {
                EXPECT_EQ(answer, static_cast<VstIntPtr>(other.size()));
                EXPECT_EQ(ChunkOf(e), saved);
            }
        });
    EXPECT_GT(chunkFailures, 0);
    ASSERT_EQ(Dispatch(e, effSetChunk, 0, static_cast<VstIntPtr>(before.size()),
                       const_cast<uint8_t*>(before.data())),
              260);

    // A program name far longer than any buffer: kept whole, or not at all.
    std::string longName(5000, 'n');
    WithEachAllocationFailing([&] { Dispatch(e, effSetProgramName, 0, 0, longName.data()); },
                              [&](bool failed)
                              {
                                  if (failed)
                                      EXPECT_EQ(ProgramNameOf(e), "QUAR2");
                                  else
                                      EXPECT_EQ(ProgramNameOf(e)[0], 'n');
                              });

    // Saving the state: the whole chunk, or no chunk.
    VstIntPtr size = 0;
    WithEachAllocationFailing(
        [&]
        {
            void* data = nullptr;
            size = Dispatch(e, effGetChunk, 0, 0, &data);
        },
        [&](bool failed) { EXPECT_EQ(size, failed ? 0 : 260); });
    unchanged();
    levels();
    Dispatch(e, effClose);
}
