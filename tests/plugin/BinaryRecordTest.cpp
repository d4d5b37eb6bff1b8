// The built plug-in as a host sees it: its exports, the effect record, the answer of every
// dispatcher opcode, canDo, and the host calls it makes while being made.

#include "tests/plugin/BuiltPlugin.h"
#include "plugin/EditorSize.h"

#include <cstring>
#include <limits>
#include <map>

#ifdef _WIN32
#include <windows.h>
#endif

TEST_F(BuiltPlugin, EveryExportMakesTheSameEffectRecord)
{
    // The old name is a second name of the very same function.
    ASSERT_NE(library.entry("VSTPluginMain"), nullptr);
    EXPECT_EQ(library.entry("main"), library.entry("VSTPluginMain"));
#ifdef _WIN32
    EXPECT_NE(library.entry("MAIN"), nullptr);
#endif
    std::vector<AEffect*> records;
    for (const std::string& entry : BuiltPluginEntries())
    {
        SCOPED_TRACE(entry);
        CHostCallback host;
        CVstPlugin* plugin = make(host, entry.c_str(), 44100.0f, 256, false);
        ASSERT_NE(plugin, nullptr);
        const AEffect* e = plugin->effect();
        records.push_back(plugin->effect());
        EXPECT_EQ(e->magic, 0x56737450);
        EXPECT_EQ(e->numPrograms, 1);
        EXPECT_EQ(e->numParams, 10);
        EXPECT_EQ(e->numInputs, 2);
        EXPECT_EQ(e->numOutputs, 2);
        EXPECT_EQ(e->flags, kExpectedFlags);
        EXPECT_EQ(e->initialDelay, 64); // the fixed look-ahead, before anything has run
        EXPECT_EQ(e->ioRatio, 1.0f);
        EXPECT_EQ(e->uniqueID, 0x51554152); // 'QUAR'
        EXPECT_EQ(e->version, 1);
        EXPECT_NE(e->object, nullptr);
        EXPECT_NE(e->process, nullptr);
        EXPECT_NE(e->processReplacing, nullptr);
        EXPECT_NE(e->processDoubleReplacing, nullptr);
        EXPECT_NE(e->setParameter, nullptr);
        EXPECT_NE(e->getParameter, nullptr);
        // Made after exactly one question: the host's version.
        const auto requests = host.requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests[0].opcode, audioMasterVersion);
        EXPECT_FALSE(requests[0].withEffect);
        EXPECT_EQ(host.count(audioMasterVersion), 1);
        EXPECT_EQ(host.count(audioMasterWantMidi), 0);
        EXPECT_EQ(host.count(audioMasterIOChanged), 0);
    }
    // Each call makes a new instance.
    for (size_t i = 1; i < records.size(); ++i)
        EXPECT_NE(records[i], records[0]);
}

TEST_F(BuiltPlugin, HostThatRefusesItsVersionGetsNoInstance)
{
    for (const std::string& entry : BuiltPluginEntries())
    {
        CHostCallback host;
        host.versionAnswer = 0;
        std::string error;
        EXPECT_EQ(CVstPlugin::create(library.entry(entry.c_str()), host, error), nullptr) << entry;
        EXPECT_EQ(host.requests().size(), 1u) << entry; // nothing asked after the refusal
    }
}

TEST_F(BuiltPlugin, OpcodeTable)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    host.clearRequests();

    // Every opcode with index 0, value 0, a zeroed 512-byte buffer and opt 0. The editor
    // opcodes 14 (open), 59, 60 (keys) and 61 (knob mode) are the editor's own answers, checked
    // by the editor's tests; here they may only be 0 or 1, and 0 without an editor.
    std::map<VstInt32, VstIntPtr> expected = {
        {effGetProgram, 0},      {effIdentify, 0x4E764566},     {effGetChunk, 260},
        {effProcessEvents, 1},   {effCanBeAutomated, 1},        {effGetEffectName, 1},
        {effGetVendorString, 1}, {effGetProductString, 1},      {effGetVendorVersion, 1000},
        {effCanDo, -1},          {effGetVstVersion, 2400},      {effGetCurrentMidiProgram, -1},
        {effGetPlugCategory, 0}, {effGetProgramNameIndexed, 1},
    };
    expected[effEditGetRect] = 1;
    for (VstInt32 op = -3; op <= 200; ++op)
    {
        if (op == effClose) continue;
        alignas(16) char buffer[512];
        std::memset(buffer, 0, sizeof buffer);
        const VstIntPtr answer = p->dispatch(op, 0, 0, buffer, 0.0f);
        if (op == effEditOpen || op == effEditKeyDown || op == effEditKeyUp ||
            op == effSetEditKnobMode)
        {
            if (kExpectedFlags & effFlagsHasEditor)
                EXPECT_TRUE(answer == 0 || answer == 1) << "opcode " << op;
            else
                EXPECT_EQ(answer, 0) << "opcode " << op;
            continue;
        }
        auto it = expected.find(op);
        EXPECT_EQ(answer, it == expected.end() ? 0 : it->second) << "opcode " << op;
    }
    EXPECT_EQ(p->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(p->dispatch(effCanBeAutomated, 100000), 1);
    // effGetSpeakerArrangement writes null to both arrangement pointers.
    void* in = &host;
    void* out = &host;
    EXPECT_EQ(p->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);

    // The names; the editor rectangle where there is an editor.
    EXPECT_EQ(p->effectName(), "QUAR2");
    EXPECT_EQ(p->vendorString(), "Tessel Audio");
    EXPECT_EQ(p->productString(), "QUAR2");
    ERect rect{};
    const bool hasRect = p->editorRect(rect);
    EXPECT_EQ(hasRect, (kExpectedFlags & effFlagsHasEditor) != 0);
    if (hasRect)
    {
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.bottom, kEditorHeight);
        EXPECT_EQ(rect.right, kEditorWidth);
    }
    // No opcode made the plug-in call the host, apart from the tempo question of the init
    // hook that effMainsChanged and effSetChunk run.
    for (const HostRequest& request : host.requests())
        EXPECT_EQ(request.opcode, audioMasterGetTime);
}

TEST_F(BuiltPlugin, CanDoKnowsOnlyTheExactMidiText)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->canDo("receiveVstMidiEvent"), kExpectedFlags | 0x100);
    for (const char* other : {"receiveVstMidiEvents", "receiveVstMidiEven", "sendVstEvents",
                              "bypass", "", "ReceiveVstMidiEvent", "receiveVstEvents"})
        EXPECT_EQ(p->canDo(other), -1) << other;
    // With that answer (not 1) resume never sends the deprecated want-MIDI call.
    p->suspend();
    p->resume();
    EXPECT_EQ(host.count(audioMasterWantMidi), 0);
}

TEST_F(BuiltPlugin, HostileArgumentsGetSafeAnswers)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    const std::vector<uint8_t> before = p->getChunk();
    // A null pointer for every opcode that takes a text or a record.
    for (VstInt32 op : std::initializer_list<VstInt32>{
             effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
             effGetParamName, effEditGetRect, effGetChunk, effSetChunk, effProcessEvents,
             effString2Parameter, effGetProgramNameIndexed, effGetEffectName, effGetVendorString,
             effGetProductString, effCanDo, effGetMidiProgramName, effGetMidiKeyName,
             effShellGetNextPlugin})
        EXPECT_EQ(p->dispatch(op, 1, 100, nullptr, 0.0f), 0) << "opcode " << op;
    EXPECT_EQ(p->dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
    // A list of events with a negative count, and one with a null entry.
    VstEvents negative{};
    negative.numEvents = -5;
    EXPECT_EQ(p->dispatch(effProcessEvents, 0, 0, &negative), 1);
    VstEvents holes{};
    holes.numEvents = 2;
    EXPECT_EQ(p->dispatch(effProcessEvents, 0, 0, &holes), 1);
    // Programs that do not exist.
    p->dispatch(effSetProgram, 0, 1);
    p->dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(p->dispatch(effGetProgram), 0);
    // Parameter indexes outside 0..9 answer nothing and change nothing.
    for (VstInt32 index : {-1, 10, 100000, INT32_MIN, INT32_MAX})
    {
        EXPECT_EQ(p->parameterName(index), "") << index;
        EXPECT_EQ(p->parameterLabel(index), "") << index;
        EXPECT_EQ(p->parameterDisplay(index), "") << index;
        EXPECT_EQ(p->getParameter(index), 0.0f) << index;
        p->setParameter(index, 1.0f);
    }
    // A host value that is no number moves nothing either.
    p->setParameter(3, std::numeric_limits<float>::quiet_NaN());
    p->setParameter(4, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p->getChunk(), before);
    // Processing calls with null buffers run no frame and write nothing.
    float buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    float* outs[2] = {buffer, nullptr};
    p->processReplacing(nullptr, outs, 8);
    p->processReplacing(outs, outs, 8);
    EXPECT_EQ(buffer[7], 8.0f);
}

#ifdef _WIN32
TEST_F(BuiltPlugin, CarriesTheEditorArtworkAsDataResources)
{
    HMODULE module = GetModuleHandleA("QUAR2.dll");
    ASSERT_NE(module, nullptr);
    for (int number : {0, 1}) // background, slider knob
    {
        HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(number), "DATA");
        ASSERT_NE(resource, nullptr) << "resource " << number;
        HGLOBAL loaded = LoadResource(module, resource);
        ASSERT_NE(loaded, nullptr);
        const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
        ASSERT_GT(SizeofResource(module, resource), 8u);
        // Both are PNG files.
        EXPECT_EQ(std::memcmp(bytes, "\x89PNG", 4), 0) << "resource " << number;
    }
}
#endif
