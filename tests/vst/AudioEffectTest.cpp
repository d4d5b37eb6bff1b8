// The basic plug-in class: the effect record it hands out, the class trampolines behind the
// record's function pointers, and the answers of dispatcher opcodes 0..24.

#include "tests/vst/QuietHost.h"
#include "vst/AudioEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

// Records which virtual operations the trampolines and the dispatcher reached.
class ProbeEffect : public AudioEffect
{
  public:
    ProbeEffect(bool* deleted = nullptr)
        : AudioEffect(CHostCallback::callback, 3, 4), deleted(deleted)
    {
    }
    ~ProbeEffect() override
    {
        if (deleted) *deleted = true;
    }

    void open() override { log += "open;"; }
    void close() override { log += "close;"; }
    void suspend() override { log += "suspend;"; }
    void resume() override { log += "resume;"; }
    void process(float** in, float** out, VstInt32 n) override
    {
        log += "process;";
        lastIn = in, lastOut = out, lastFrames = n;
    }
    void processReplacing(float** in, float** out, VstInt32 n) override
    {
        log += "replacing;";
        lastIn = in, lastOut = out, lastFrames = n;
    }
    void processDoubleReplacing(double**, double**, VstInt32 n) override
    {
        log += "double;";
        lastFrames = n;
    }
    void setParameter(VstInt32 index, float value) override
    {
        lastIndex = index;
        lastValue = value;
    }
    float getParameter(VstInt32 index) override { return index * 0.25f; }
    void getParameterName(VstInt32 index, char* text) override
    {
        std::strcpy(text, index == 1 ? "Gain" : "?");
    }
    void setProgramName(char* name) override { programName = name; }
    VstInt32 getChunk(void** data, bool isPreset) override
    {
        *data = chunk;
        lastPreset = isPreset;
        return 4;
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool isPreset) override
    {
        lastPreset = isPreset;
        return data ? size : -1;
    }

    using AudioEffect::getSampleRate;
    std::string log;
    std::string programName;
    float** lastIn = nullptr;
    float** lastOut = nullptr;
    VstInt32 lastFrames = -1;
    VstInt32 lastIndex = -1;
    float lastValue = -1.0f;
    bool lastPreset = false;
    char chunk[4] = {1, 2, 3, 4};
    bool* deleted;
};

// An editor whose answers the test sets.
class ProbeEditor : public AEffEditor
{
  public:
    explicit ProbeEditor(AudioEffect* effect, bool* deleted) : AEffEditor(effect), deleted(deleted)
    {
    }
    ~ProbeEditor() override { *deleted = true; }
    bool getRect(ERect** r) override
    {
        *r = &rect;
        return true;
    }
    bool open(void* window) override
    {
        openedWith = window;
        return true;
    }
    void close() override { ++closes; }
    void idle() override { ++idles; }
    ERect rect{0, 0, 600, 430};
    void* openedWith = nullptr;
    int closes = 0;
    int idles = 0;
    bool* deleted;
};

} // namespace

TEST(AudioEffect, EffectRecordDefaults)
{
    CQuietHost host;
    ProbeEffect fx;
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 3);
    EXPECT_EQ(e->numParams, 4);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, &fx);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_EQ(fx.getSampleRate(), 44100.0f);
    EXPECT_EQ(fx.getBlockSize(), 1024);
    // Nothing is asked of the host while the record is made.
    EXPECT_TRUE(host.requests().empty());

    fx.setNumInputs(2);
    fx.setUniqueID(0x51554152);
    fx.setInitialDelay(64);
    fx.canProcessReplacing();
    fx.canDoubleReplacing();
    fx.programsAreChunks();
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->uniqueID, 0x51554152);
    EXPECT_EQ(e->initialDelay, 64);
    EXPECT_EQ(e->flags, 0x1030);
    fx.canDoubleReplacing(false);
    EXPECT_EQ(e->flags, 0x30);
}

TEST(AudioEffect, TrampolinesReachTheObject)
{
    ProbeEffect fx;
    AEffect* e = fx.getAeffect();
    float a[4] = {}, b[4] = {};
    float* in[1] = {a};
    float* out[1] = {b};
    e->process(e, in, out, 4);
    e->processReplacing(e, in, out, 3);
    EXPECT_EQ(fx.lastIn, in);
    EXPECT_EQ(fx.lastOut, out);
    EXPECT_EQ(fx.lastFrames, 3);
    e->processDoubleReplacing(e, nullptr, nullptr, 7);
    EXPECT_EQ(fx.lastFrames, 7);
    EXPECT_EQ(fx.log, "process;replacing;double;");
    e->setParameter(e, 2, 0.75f);
    EXPECT_EQ(fx.lastIndex, 2);
    EXPECT_EQ(fx.lastValue, 0.75f);
    EXPECT_EQ(e->getParameter(e, 3), 0.75f);

    // A broken host handing back a null record, or a record without object, reaches nothing.
    EXPECT_EQ(AudioEffect::dispatchEffectClass(nullptr, effOpen, 0, 0, nullptr, 0), 0);
    AEffect orphan{};
    EXPECT_EQ(AudioEffect::dispatchEffectClass(&orphan, effClose, 0, 0, nullptr, 0), 0);
    AudioEffect::processClassReplacing(nullptr, in, out, 3);
    AudioEffect::setParameterClass(&orphan, 0, 1.0f);
    EXPECT_EQ(AudioEffect::getParameterClass(nullptr, 0), 0.0f);
    EXPECT_EQ(fx.log, "process;replacing;double;");
}

TEST(AudioEffect, CloseRunsCloseThenDeletesObjectAndEditor)
{
    bool fxDeleted = false, editorDeleted = false;
    auto* fx = new ProbeEffect(&fxDeleted);
    fx->setEditor(new ProbeEditor(fx, &editorDeleted));
    AEffect* e = fx->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effOpen, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(fx->log, "open;");
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_TRUE(fxDeleted);
    EXPECT_TRUE(editorDeleted);
}

TEST(AudioEffect, BasicOpcodes)
{
    ProbeEffect fx;
    AEffect* e = fx.getAeffect();
    auto d = [&](VstInt32 op, VstInt32 index, VstIntPtr value, void* ptr, float opt = 0)
    { return e->dispatcher(e, op, index, value, ptr, opt); };

    // Programs: only 0..numPrograms-1 can become current.
    EXPECT_EQ(d(effSetProgram, 0, 2, nullptr), 0);
    EXPECT_EQ(d(effGetProgram, 0, 0, nullptr), 2);
    d(effSetProgram, 0, 3, nullptr);
    d(effSetProgram, 0, -1, nullptr);
    EXPECT_EQ(d(effGetProgram, 0, 0, nullptr), 2);

    char name[] = "Live";
    EXPECT_EQ(d(effSetProgramName, 0, 0, name), 0);
    EXPECT_EQ(fx.programName, "Live");

    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(d(effGetParamName, 1, 0, text), 0);
    EXPECT_STREQ(text, "Gain");
    std::memset(text, 'x', sizeof text);
    d(effGetParamLabel, 1, 0, text);
    EXPECT_STREQ(text, "");
    std::memset(text, 'x', sizeof text);
    d(effGetParamDisplay, 1, 0, text);
    EXPECT_STREQ(text, "");
    std::memset(text, 'x', sizeof text);
    d(effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "");

    EXPECT_EQ(d(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(fx.getSampleRate(), 48000.0f);
    EXPECT_EQ(d(effSetBlockSize, 0, 512, nullptr), 0);
    EXPECT_EQ(fx.getBlockSize(), 512);

    d(effMainsChanged, 0, 1, nullptr);
    d(effMainsChanged, 0, 0, nullptr);
    d(effMainsChanged, 0, 7, nullptr);
    EXPECT_EQ(fx.log, "resume;suspend;resume;");

    EXPECT_EQ(d(effIdentify, 0, 0, nullptr), 0x4E764566);

    void* data = nullptr;
    EXPECT_EQ(d(effGetChunk, 1, 0, &data), 4);
    EXPECT_EQ(data, fx.chunk);
    EXPECT_TRUE(fx.lastPreset);
    EXPECT_EQ(d(effSetChunk, 0, 4, fx.chunk), 4);
    EXPECT_FALSE(fx.lastPreset);

    // Deprecated, unknown and extended opcodes answer 0 at this layer.
    for (VstInt32 op : {9, 16, 17, 18, 20, 21, 25, 51, 58, 79, 80, 1000, -1, -100000})
        EXPECT_EQ(d(op, 0, 0, nullptr), 0) << "opcode " << op;
}

TEST(AudioEffect, HostileArgumentsAreRefused)
{
    ProbeEffect fx;
    AEffect* e = fx.getAeffect();
    // Null text buffers for every text opcode: nothing is called, nothing crashes.
    for (VstInt32 op : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                        effGetParamName, effEditGetRect})
        EXPECT_EQ(e->dispatcher(e, op, 1, 0, nullptr, 0), 0) << "opcode " << op;
    EXPECT_EQ(fx.programName, "");
    // A chunk request without a place for the pointer, and a chunk of "100 bytes" at null.
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(e->dispatcher(e, effSetChunk, 0, 100, nullptr, 0), 0);
    EXPECT_FALSE(fx.lastPreset);
}

TEST(AudioEffect, EditorOpcodesAndFlag)
{
    ProbeEffect fx;
    AEffect* e = fx.getAeffect();
    // Without an editor: answer 0, write nothing.
    ERect* rect = reinterpret_cast<ERect*>(0x1234);
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1234));
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, &rect, 0), 0);
    EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(e->flags & effFlagsHasEditor, 0);

    bool deleted = false;
    auto* editor = new ProbeEditor(&fx, &deleted);
    fx.setEditor(editor);
    EXPECT_EQ(fx.getEditor(), editor);
    EXPECT_EQ(e->flags & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0), 1);
    ASSERT_EQ(rect, &editor->rect);
    EXPECT_EQ(rect->right, 430);
    int window = 0;
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, &window, 0), 1);
    EXPECT_EQ(editor->openedWith, &window);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
    EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(editor->idles, 1);
    EXPECT_EQ(editor->closes, 1);

    fx.setEditor(nullptr);
    EXPECT_EQ(e->flags & effFlagsHasEditor, 0);
    delete editor;
    EXPECT_TRUE(deleted);
}

TEST(AEffEditor, BaseAnswers)
{
    ProbeEffect fx;
    AEffEditor editor(&fx);
    EXPECT_EQ(editor.getEffect(), &fx);
    ERect* rect = reinterpret_cast<ERect*>(0x1);
    EXPECT_FALSE(editor.getRect(&rect));
    EXPECT_EQ(rect, nullptr);
    EXPECT_FALSE(editor.getRect(nullptr));
    EXPECT_FALSE(editor.isOpen());
    int window = 0;
    EXPECT_FALSE(editor.open(&window));
    EXPECT_TRUE(editor.isOpen());
    editor.close();
    EXPECT_FALSE(editor.isOpen());
    VstKeyCode key{65, 0, 0};
    EXPECT_FALSE(editor.onKeyDown(key));
    EXPECT_FALSE(editor.onKeyUp(key));
    EXPECT_FALSE(editor.onWheel(1.0f));
    EXPECT_FALSE(editor.setKnobMode(2));
}

TEST(AudioEffect, HostCalls)
{
    CQuietHost host;
    ProbeEffect fx;
    host.answerOverrides[audioMasterVersion] = 2400;
    host.answerOverrides[audioMasterCurrentId] = 0x51554152;
    EXPECT_EQ(fx.getMasterVersion(), 2400);
    EXPECT_EQ(fx.getCurrentUniqueId(), 0x51554152);
    fx.masterIdle();
    EXPECT_EQ(host.count(audioMasterIdle), 1);
    EXPECT_EQ(host.requests().back().effect, fx.getAeffect());

    fx.setParameterAutomated(3, 0.5f);
    EXPECT_EQ(fx.lastIndex, 3);
    EXPECT_EQ(fx.lastValue, 0.5f);
    ASSERT_EQ(host.requests().back().opcode, audioMasterAutomate);
    EXPECT_EQ(host.requests().back().index, 3);
    EXPECT_EQ(host.requests().back().opt, 0.5f);

    // Without a host callback every query answers 0.
    class Hostless : public AudioEffect
    {
      public:
        Hostless() : AudioEffect(nullptr, 1, 1) {}
    } lonely;
    EXPECT_EQ(lonely.getMasterVersion(), 0);
    lonely.masterIdle();
    lonely.setParameterAutomated(0, 1.0f);
}
