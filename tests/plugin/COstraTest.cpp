// The plug-in object in process, around a probe runtime: the factory, the Create entry, the
// life-cycle hooks behind the dispatcher, null callback entries and the mouse entries. What the
// runtime sees of the host is COstraHostTest.cpp, failing allocations COstraAllocationTest.cpp.

#include "plugin/OstraInstance.h"
#include "tests/plugin/ProbeRuntime.h"
#include "plugin/EditorSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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
