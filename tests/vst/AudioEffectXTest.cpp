// The extended plug-in class: the neutral answers of opcodes 25..79, which layer answers which
// opcode, the editor key and knob opcodes, resume's want-events step and the extended host calls.

#include "tests/vst/QuietHost.h"
#include "vst/AudioEffectX.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

class PlainX : public AudioEffectX
{
  public:
    PlainX() : AudioEffectX(CHostCallback::callback, 1, 2) {}
    VstIntPtr d(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                float opt = 0)
    {
        return cEffect.dispatcher(&cEffect, op, index, value, ptr, opt);
    }
    // The base answer of canDo is 0 ("don't know"); tests choose another.
    VstInt32 canDoAnswer = 0;
    VstInt32 canDo(char* text) override
    {
        lastCanDo = text;
        return canDoAnswer;
    }
    VstInt32 processEvents(VstEvents* events) override
    {
        lastEvents = events;
        return 1;
    }
    const char* lastCanDo = nullptr;
    VstEvents* lastEvents = nullptr;
};

class KeyEditor : public AEffEditor
{
  public:
    using AEffEditor::AEffEditor;
    bool onKeyDown(VstKeyCode& key) override
    {
        last = key;
        return consume;
    }
    bool onKeyUp(VstKeyCode& key) override
    {
        last = key;
        ++ups;
        return consume;
    }
    bool setKnobMode(VstInt32 mode) override
    {
        knob = mode;
        return true;
    }
    VstKeyCode last{};
    bool consume = false;
    int ups = 0;
    VstInt32 knob = -1;
};

} // namespace

TEST(AudioEffectX, NeutralAnswersOfTheExtendedOpcodes)
{
    CQuietHost host;
    PlainX fx;
    EXPECT_EQ(fx.getAeffect()->flags, effFlagsCanReplacing);

    char text[80];
    std::memset(text, 'x', sizeof text);
    text[79] = 0;
    EXPECT_EQ(fx.d(effCanBeAutomated, 5), 1);
    EXPECT_EQ(fx.d(effCanBeAutomated, 100000), 1);
    EXPECT_EQ(fx.d(effString2Parameter, 0, 0, text), 0);
    EXPECT_EQ(fx.d(effGetProgramNameIndexed, 0, 0, text), 0);
    EXPECT_EQ(fx.d(effGetInputProperties, 0, 0, text), 0);
    EXPECT_EQ(fx.d(effGetOutputProperties, 0, 0, text), 0);
    EXPECT_EQ(fx.d(effGetPlugCategory), kPlugCategUnknown);
    for (VstInt32 op : {effOfflineNotify,
                        effOfflinePrepare,
                        effOfflineRun,
                        effProcessVarIo,
                        effSetSpeakerArrangement,
                        effSetBypass,
                        effVendorSpecific,
                        effGetTailSize,
                        effGetParameterProperties,
                        effGetMidiProgramName,
                        effGetMidiProgramCategory,
                        effHasMidiProgramsChanged,
                        effGetMidiKeyName,
                        effBeginSetProgram,
                        effEndSetProgram,
                        effShellGetNextPlugin,
                        effStartProcess,
                        effStopProcess,
                        effSetPanLaw,
                        effBeginLoadBank,
                        effBeginLoadProgram,
                        effSetProcessPrecision,
                        effGetNumMidiInputChannels,
                        effGetNumMidiOutputChannels,
                        effGetEffectName,
                        effGetVendorString,
                        effGetProductString,
                        effGetVendorVersion})
        EXPECT_EQ(fx.d(op, 0, 0, text), 0) << "opcode " << op;
    // Nothing was written into the host's text buffer by the neutral answers.
    EXPECT_EQ(text[0], 'x');

    EXPECT_EQ(fx.d(effGetVstVersion), 2400);
    EXPECT_EQ(fx.d(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(fx.d(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(fx.d(effSetTotalSampleToProcess, 0, -7), -7);

    // Speaker arrangement: both pointers (one through value, one through ptr) become null.
    void* in = text;
    void* out = text;
    EXPECT_EQ(fx.d(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(fx.d(effGetSpeakerArrangement, 0, 0, nullptr), 0);

    // Deprecated and unknown opcodes of the extended range.
    for (VstInt32 op : {28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 81, 4096})
        EXPECT_EQ(fx.d(op, 0, 0, text), 0) << "opcode " << op;
    EXPECT_TRUE(host.requests().empty());
}

TEST(AudioEffectX, LayersShareTheOpcodeRange)
{
    PlainX fx;
    // 0..24 still reach the AudioEffect layer through the extended dispatcher.
    fx.d(effSetBlockSize, 0, 256);
    EXPECT_EQ(fx.getBlockSize(), 256);
    EXPECT_EQ(fx.d(effIdentify), 0x4E764566);

    // canDo gets the host's text; null answers 0 without asking.
    char bypass[] = "bypass";
    fx.canDoAnswer = -1;
    EXPECT_EQ(fx.d(effCanDo, 0, 0, bypass), -1);
    EXPECT_STREQ(fx.lastCanDo, "bypass");
    fx.lastCanDo = nullptr;
    EXPECT_EQ(fx.d(effCanDo), 0);
    EXPECT_EQ(fx.lastCanDo, nullptr);

    // Events reach processEvents; a null list does not.
    VstEvents events{};
    EXPECT_EQ(fx.d(effProcessEvents, 0, 0, &events), 1);
    EXPECT_EQ(fx.lastEvents, &events);
    fx.lastEvents = nullptr;
    EXPECT_EQ(fx.d(effProcessEvents), 0);
    EXPECT_EQ(fx.lastEvents, nullptr);
}

TEST(AudioEffectX, EditorKeysAndKnobMode)
{
    PlainX fx;
    EXPECT_EQ(fx.d(effEditKeyDown, 'a', 3, nullptr, 2.0f), 0); // no editor
    EXPECT_EQ(fx.d(effSetEditKnobMode, 0, 2), 0);

    auto* editor = new KeyEditor(&fx);
    fx.setEditor(editor);
    // character = index, virtual key = low 8 bits of value, modifier = low 8 bits of opt.
    EXPECT_EQ(fx.d(effEditKeyDown, 'a', 0x1203, nullptr, 258.0f), 0);
    EXPECT_EQ(editor->last.character, 'a');
    EXPECT_EQ(editor->last.virt, 0x03);
    EXPECT_EQ(editor->last.modifier, 0x02);
    editor->consume = true;
    EXPECT_EQ(fx.d(effEditKeyUp, 'b', 1, nullptr, 1.0f), 1);
    EXPECT_EQ(editor->ups, 1);
    EXPECT_EQ(editor->last.character, 'b');
    // A modifier word far outside the integer range counts as no modifier.
    EXPECT_EQ(fx.d(effEditKeyDown, 'c', 0, nullptr, 1e20f), 1);
    EXPECT_EQ(editor->last.modifier, 0);
    EXPECT_EQ(fx.d(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(editor->knob, 2);
}

TEST(AudioEffectX, ResumeAsksForMidiOnlyWhenTheEffectTakesIt)
{
    CQuietHost host;
    PlainX fx;
    fx.canDoAnswer = 0x1131; // a non-1 answer: not a MIDI receiver
    fx.d(effMainsChanged, 0, 1);
    EXPECT_STREQ(fx.lastCanDo, "receiveVstMidiEvent");
    EXPECT_EQ(host.count(audioMasterWantMidi), 0);
    fx.canDoAnswer = 1;
    fx.d(effMainsChanged, 0, 1);
    EXPECT_EQ(host.count(audioMasterWantMidi), 1);
    fx.canDoAnswer = 0;
    fx.isSynth();
    EXPECT_EQ(fx.getAeffect()->flags & effFlagsIsSynth, effFlagsIsSynth);
    EXPECT_EQ(fx.d(effGetPlugCategory), kPlugCategSynth);
    fx.d(effMainsChanged, 0, 1);
    EXPECT_EQ(host.count(audioMasterWantMidi), 2);
    EXPECT_EQ(host.requests().back().value, 1);
    fx.isSynth(false);
    EXPECT_EQ(fx.getAeffect()->flags & effFlagsIsSynth, 0);
    EXPECT_EQ(fx.d(effGetPlugCategory), kPlugCategUnknown);
}

TEST(AudioEffectX, HostCallsPassTheirOpcodes)
{
    CQuietHost host;
    PlainX fx;

    VstTimeInfo info{};
    info.tempo = 93.0;
    host.answerOverrides[audioMasterGetTime] = reinterpret_cast<VstIntPtr>(&info);
    EXPECT_EQ(fx.getTimeInfo(kVstTempoValid | kVstTimeSigValid), &info);
    EXPECT_EQ(host.requests().back().value, 0x2400);
    host.answerOverrides.erase(audioMasterGetTime);
    EXPECT_EQ(fx.getTimeInfo(kVstTransportPlaying), nullptr);

    VstEvents events{};
    host.answerOverrides[audioMasterProcessEvents] = 2;
    EXPECT_FALSE(fx.sendVstEventsToHost(&events)); // only exactly 1 is success
    host.answerOverrides[audioMasterProcessEvents] = 1;
    EXPECT_TRUE(fx.sendVstEventsToHost(&events));
    EXPECT_EQ(host.requests().back().ptr, &events);

    EXPECT_FALSE(fx.beginEdit(4));
    host.answerOverrides[audioMasterBeginEdit] = 1;
    host.answerOverrides[audioMasterEndEdit] = 1;
    EXPECT_TRUE(fx.beginEdit(4));
    EXPECT_EQ(host.requests().back().index, 4);
    EXPECT_TRUE(fx.endEdit(4));
    EXPECT_EQ(host.requests().back().opcode, audioMasterEndEdit);

    EXPECT_FALSE(fx.updateDisplay());
    EXPECT_EQ(host.requests().back().opcode, audioMasterUpdateDisplay);
    EXPECT_FALSE(fx.ioChanged());
    EXPECT_EQ(host.requests().back().opcode, audioMasterIOChanged);

    host.answerOverrides[audioMasterGetVendorVersion] = 7;
    host.answerOverrides[audioMasterGetLanguage] = 2;
    EXPECT_EQ(fx.getHostVendorVersion(), 7);
    EXPECT_EQ(fx.getHostLanguage(), 2);
    char vendor[kVstMaxVendorStrLen] = "stale";
    EXPECT_FALSE(fx.getHostVendorString(vendor));
    EXPECT_STREQ(vendor, "");
    EXPECT_EQ(host.requests().back().opcode, audioMasterGetVendorString);
    EXPECT_EQ(host.requests().back().ptr, vendor);
    host.answerOverrides[audioMasterGetProductString] = 1;
    EXPECT_TRUE(fx.getHostProductString(vendor));
    EXPECT_FALSE(fx.getHostProductString(nullptr));
    for (const HostRequest& call : host.requests())
        EXPECT_EQ(call.effect, fx.getAeffect());
}
