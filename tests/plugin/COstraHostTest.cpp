// The plug-in object in process, around a probe runtime, as the host and the runtime see each
// other: the host's answers reaching the runtime, parameters of unusual sliders, and the bounds
// of every host text buffer.

#include "plugin/OstraInstance.h"
#include "tests/plugin/ProbeRuntime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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
