// The built plug-in's audio: resume running the init and slider hooks, suspend and resume
// keeping the effect's state, float and double processing in place and with separate buffers,
// the 64-frame look-ahead and its report as latency, the deprecated accumulating call.

#include "tests/plugin/BuiltPlugin.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
using Signal = std::vector<std::vector<float>>;

Signal Constant(size_t frames, float left, float right)
{
    return {std::vector<float>(frames, left), std::vector<float>(frames, right)};
}

std::vector<std::vector<double>> Widen(const Signal& s)
{
    std::vector<std::vector<double>> wide;
    for (const auto& channel : s)
        wide.emplace_back(channel.begin(), channel.end());
    return wide;
}

// Processes `signal` in blocks of `block` frames with the input buffers as output buffers.
Signal InPlace(CVstPlugin& p, Signal signal, size_t block)
{
    for (size_t start = 0; start < signal[0].size(); start += block)
    {
        const size_t n = std::min(block, signal[0].size() - start);
        float* buffers[2] = {signal[0].data() + start, signal[1].data() + start};
        p.processReplacing(buffers, buffers, static_cast<VstInt32>(n));
    }
    return signal;
}

std::vector<std::vector<double>> InPlace(CVstPlugin& p, std::vector<std::vector<double>> signal,
                                         size_t block)
{
    for (size_t start = 0; start < signal[0].size(); start += block)
    {
        const size_t n = std::min(block, signal[0].size() - start);
        double* buffers[2] = {signal[0].data() + start, signal[1].data() + start};
        p.processDoubleReplacing(buffers, buffers, static_cast<VstInt32>(n));
    }
    return signal;
}
} // namespace

TEST_F(BuiltPlugin, ResumeRunsTheInitAndSliderHooks)
{
    CHostCallback host;
    CVstPlugin* p = make(host, "VSTPluginMain", 44100.0f, 256, false);
    ASSERT_NE(p, nullptr);
    // Opened but never resumed: the slider code has not run, so the output gain is still 0.
    // The look-ahead is fixed, so the latency is there all the same.
    Signal out = p->processFloat(Constant(2048, 0.5f, 0.5f));
    for (size_t i = 0; i < 2048; ++i)
        ASSERT_EQ(out[0][i], 0.0f) << i;
    EXPECT_EQ(p->latency(), 64);

    host.clearRequests();
    p->resume();
    // The init hook asked for the tempo (and only that); nothing else went to the host.
    const auto requests = host.requests();
    ASSERT_FALSE(requests.empty());
    for (const HostRequest& r : requests)
        EXPECT_EQ(r.opcode, audioMasterGetTime);
    EXPECT_EQ(requests[0].value, kVstTempoValid);
    out = p->processFloat(Constant(44100, 0.5f, 0.5f));
    EXPECT_EQ(p->latency(), 64);
    // Push Down 0, Pull Up 0, attack "Zero": the gain settles at 1 / (1 + 0.5).
    EXPECT_NEAR(out[0][44099], 0.5 / 1.5, 1e-6);
    EXPECT_NEAR(out[1][44099], 0.5 / 1.5, 1e-6);
}

TEST_F(BuiltPlugin, SuspendAndResumeKeepTheEffectState)
{
    const Signal input = SpeechLikeSignal(44100);
    CHostCallback hostA, hostB;
    CVstPlugin* a = make(hostA);
    CVstPlugin* b = make(hostB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const Signal whole = a->processFloat(input);

    // The same audio in two halves, with a suspend and a resume between them: resume
    // recomputes the coefficients but keeps followers, filters and delay lines.
    const size_t half = 256 * 86;
    Signal first = {std::vector<float>(input[0].begin(), input[0].begin() + half),
                    std::vector<float>(input[1].begin(), input[1].begin() + half)};
    Signal second = {std::vector<float>(input[0].begin() + half, input[0].end()),
                     std::vector<float>(input[1].begin() + half, input[1].end())};
    Signal out1 = b->processFloat(first);
    b->suspend();
    b->resume();
    Signal out2 = b->processFloat(second);
    for (size_t c = 0; c < 2; ++c)
    {
        out1[c].insert(out1[c].end(), out2[c].begin(), out2[c].end());
        EXPECT_EQ(out1[c], whole[c]) << "channel " << c;
    }
    EXPECT_EQ(b->latency(), 64);
}

TEST_F(BuiltPlugin, FloatAndDoubleProcessingInPlaceAndSeparate)
{
    const Signal input = SpeechLikeSignal(3 * 44100);
    CHostCallback h1, h2, h3, h4;
    CVstPlugin* separate = make(h1);
    CVstPlugin* inPlace = make(h2);
    CVstPlugin* wideSeparate = make(h3);
    CVstPlugin* wideInPlace = make(h4);
    ASSERT_TRUE(separate && inPlace && wideSeparate && wideInPlace);
    for (CVstPlugin* p : {separate, inPlace, wideSeparate, wideInPlace})
    {
        p->setParameter(4, 0.4f); // Pull Up 12 dB
        p->setParameter(3, 0.6f); // Push Down -12 dB
        p->setParameter(6, 0.5f); // Emphasis 5
    }

    const Signal a = separate->processFloat(input);
    const Signal b = InPlace(*inPlace, input, 256);
    const auto c = wideSeparate->processDouble(Widen(input));
    const auto d = InPlace(*wideInPlace, Widen(input), 256);
    bool changed = false;
    for (size_t ch = 0; ch < 2; ++ch)
    {
        EXPECT_EQ(a[ch], b[ch]) << "channel " << ch;
        EXPECT_EQ(c[ch], d[ch]) << "channel " << ch;
        // The runtime works in doubles either way: the float path is the double path narrowed.
        for (size_t i = 0; i < a[ch].size(); ++i)
        {
            ASSERT_EQ(a[ch][i], static_cast<float>(c[ch][i])) << "channel " << ch << " " << i;
            changed = changed || a[ch][i] != input[ch][i];
        }
    }
    EXPECT_TRUE(changed);
}

TEST_F(BuiltPlugin, LookAheadOf64Frames)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->latency(), 64); // known when the resume returned
    Signal impulse = Constant(1024, 0.0f, 0.0f);
    impulse[0][100] = 1.0f;
    const Signal out = p->processFloat(impulse);
    EXPECT_EQ(p->latency(), 64);
    EXPECT_EQ(host.count(audioMasterIOChanged), 0); // it never changed while running
    for (size_t i = 0; i < 1024; ++i)
    {
        if (i == 164) continue;
        ASSERT_LT(std::fabs(out[0][i]), 1e-9) << i; // silence plus the 1e-15 dither
    }
    EXPECT_GT(out[0][164], 0.4f); // the impulse, times a gain between 1/2 and 1
    EXPECT_LE(out[0][164], 1.0f);
    for (size_t i = 0; i < 1024; ++i)
        ASSERT_LT(std::fabs(out[1][i]), 1e-9) << i;
}

// Hosts read the delay once: right after the entry point, after effOpen, when they build their
// processing graph before resuming, or when they activate the plug-in. It must be there at each
// of those moments, whichever way the instance was brought up.
TEST_F(BuiltPlugin, LatencyIsKnownBeforeTheFirstBlock)
{
    for (const std::string& entry : BuiltPluginEntries())
    {
        SCOPED_TRACE(entry);
        {
            CHostCallback bare;
            std::string error;
            auto fresh = CVstPlugin::create(library.entry(entry.c_str()), bare, error);
            ASSERT_TRUE(fresh) << error;
            EXPECT_EQ(fresh->effect()->initialDelay, 64); // as the entry point returns it
            fresh->open();
            EXPECT_EQ(fresh->latency(), 64);
            fresh->setSampleRate(22050.0f);
            fresh->setBlockSize(4096);
            EXPECT_EQ(fresh->latency(), 64);
        }
        // Created, opened, rate and block size set, resumed: as a host activates an insert.
        CHostCallback host;
        CVstPlugin* p = make(host, entry.c_str(), 48000.0f, 512, false);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->latency(), 64); // known before the first resume
        p->resume();
        EXPECT_EQ(p->latency(), 64);
        // Suspend, a new rate, resume: still 64, and nothing to announce.
        p->suspend();
        p->setSampleRate(96000.0f);
        p->resume();
        EXPECT_EQ(p->latency(), 64);
        EXPECT_EQ(host.count(audioMasterIOChanged), 0);

        // A project load: the state chunk arrives before the first resume.
        const std::vector<uint8_t> chunk = p->getChunk();
        CHostCallback host2;
        CVstPlugin* q = make(host2, entry.c_str(), 44100.0f, 256, false);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->setChunk(chunk), static_cast<VstIntPtr>(chunk.size()));
        EXPECT_EQ(q->latency(), 64);
        q->resume();
        EXPECT_EQ(q->latency(), 64);
        EXPECT_EQ(host2.count(audioMasterIOChanged), 0);
    }
}

// On digital silence the output is the dither alone (a positive offset below 1e-15, new every
// block) times a gain of at most 1 at the default settings: never more, and not nothing.
TEST_F(BuiltPlugin, DigitalSilenceCarriesOnlyTheDither)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    const std::vector<std::vector<double>> silence(2, std::vector<double>(256, 0.0));
    double largest = 0.0;
    for (int block = 0; block < 32; ++block)
    {
        const auto out = p->processDouble(silence);
        for (const auto& channel : out)
            for (size_t i = block == 0 ? 64 : 0; i < channel.size(); ++i)
            {
                ASSERT_GE(channel[i], 0.0) << block << " " << i;
                ASSERT_LE(channel[i], 1e-15) << block << " " << i;
                largest = std::max(largest, channel[i]);
            }
    }
    EXPECT_GT(largest, 1e-16);
}

TEST_F(BuiltPlugin, ZeroFramesAndTheDeprecatedCallLeaveBuffersAlone)
{
    CHostCallback host;
    CVstPlugin* p = make(host);
    ASSERT_NE(p, nullptr);
    float left[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    float right[4] = {0.5f, 0.6f, 0.7f, 0.8f};
    float outL[4] = {9, 9, 9, 9};
    float outR[4] = {9, 9, 9, 9};
    float* in[2] = {left, right};
    float* out[2] = {outL, outR};
    p->effect()->process(p->effect(), in, out, 4);
    p->processReplacing(in, out, 0);
    p->processReplacing(in, out, -5);
    double dl[2] = {1, 2}, dout[2] = {9, 9};
    double* din[2] = {dl, dl};
    double* douts[2] = {dout, dout};
    p->processDoubleReplacing(din, douts, 0);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(outL[i], 9.0f);
        EXPECT_EQ(outR[i], 9.0f);
    }
    EXPECT_EQ(dout[0], 9.0);
    // The block hook ran for the empty calls: the latency is reported.
    EXPECT_EQ(p->latency(), 64);
}

TEST_F(BuiltPlugin, HostileSampleRatesAndBlockSizes)
{
    const float rates[] = {0.0f,
                           -1.0f,
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           1e9f,
                           1.0f};
    for (float rate : rates)
    {
        for (VstInt32 block : {0, -5, 1, 1 << 30})
        {
            SCOPED_TRACE(testing::Message() << "rate " << rate << ", block " << block);
            CHostCallback host;
            CVstPlugin* p = make(host, "VSTPluginMain", rate, block);
            ASSERT_NE(p, nullptr);
            p->setBlockSize(64); // the host then processes in blocks it can actually give
            const Signal out = p->processFloat(Constant(2048, 0.3f, 0.3f));
            for (const auto& channel : out)
                for (float v : channel)
                    ASSERT_TRUE(std::isfinite(v));
            EXPECT_EQ(p->latency(), 64);
            EXPECT_EQ(p->getChunk().size(), 260u);
        }
    }
}

// The Brake through the built plug-in: a loud tone, then a long pause of a faint tone, then a
// louder burst. Without the Brake the gain climbs towards Pull Up in the pause; with it the gain
// holds near where the tone left it, and the burst still pulls it down at once. Setting the
// Brake and taking it off again leaves the audio exactly as if it had never been touched.
TEST_F(BuiltPlugin, BrakeHoldsTheGainInAPause)
{
    constexpr double kRate = 44100.0;
    const size_t loud = 44100, pause = 2 * 44100, burst = 4410;
    std::vector<std::vector<double>> in(2, std::vector<double>(loud + pause + burst));
    for (size_t i = 0; i < in[0].size(); ++i)
    {
        const double amplitude = i < loud ? 0.3 : (i < loud + pause ? 1e-4 : 0.9);
        in[0][i] = in[1][i] = amplitude * std::sin(2.0 * 3.141592653589793 * 1000.0 * i / kRate);
    }
    // Push Down -20, Pull Up 20: silence gets +20 dB, the tone about -10 dB.
    const auto levelled = [&](CVstPlugin& p)
    {
        p.setParameter(3, 10.0f / 30.0f);
        p.setParameter(4, 20.0f / 30.0f);
        std::vector<std::vector<double>> out(2, std::vector<double>(in[0].size()));
        for (size_t at = 0; at < in[0].size(); at += 512)
        {
            const size_t n = std::min<size_t>(512, in[0].size() - at);
            std::vector<std::vector<double>> part(2);
            for (int c = 0; c < 2; ++c)
                part[c].assign(in[c].begin() + at, in[c].begin() + at + n);
            const auto done = p.processDouble(part);
            for (int c = 0; c < 2; ++c)
                std::copy(done[c].begin(), done[c].end(), out[c].begin() + at);
        }
        return out;
    };
    // Gain over 100 ms ending at `end` (output frames lag the input by 64).
    const auto gainAt = [&](const std::vector<std::vector<double>>& out, size_t end)
    {
        double o = 0.0, i = 0.0;
        for (size_t k = end - 4410; k < end; ++k)
        {
            o += out[0][k + 64] * out[0][k + 64];
            i += in[0][k] * in[0][k];
        }
        return std::sqrt(o / i);
    };

    CHostCallback hosts[3];
    CVstPlugin* off = make(hosts[0]);
    CVstPlugin* braked = make(hosts[1]);
    CVstPlugin* toggled = make(hosts[2]);
    ASSERT_TRUE(off && braked && toggled);
    braked->setParameter(9, 30.0f / 80.0f); // -50 dB
    ASSERT_EQ(braked->parameterDisplay(9), "-50.00");
    toggled->setParameter(9, 30.0f / 80.0f);
    toggled->setParameter(9, 1.0f);
    const auto free = levelled(*off), held = levelled(*braked), back = levelled(*toggled);
    EXPECT_EQ(back, free) << "the Brake set to Off again must leave no trace";

    const double toneGain = gainAt(held, loud);
    EXPECT_NEAR(toneGain, gainAt(free, loud), 1e-12) << "above the Brake level nothing changes";
    EXPECT_NEAR(20.0 * std::log10(toneGain), -9.8, 0.5);
    // End of the pause: free, the gain has climbed to about +20 dB; held, it has risen only while
    // the Brake's level fell the 40 dB from the tone to the Brake level (about 0.23 s, during
    // which the 0.25 s recovery lifts it by about 10 dB), and then does not move.
    const size_t pauseEnd = loud + pause - 64;
    EXPECT_GT(20.0 * std::log10(gainAt(free, pauseEnd)), 18.0);
    const double heldGain = gainAt(held, pauseEnd);
    EXPECT_LT(20.0 * std::log10(heldGain / toneGain), 11.0);
    EXPECT_NEAR(gainAt(held, pauseEnd - 44100) / heldGain, 1.0, 1e-9);
    // The burst pulls the held gain down at once: no louder than without the Brake.
    double peakHeld = 0.0, peakFree = 0.0;
    for (size_t k = loud + pause + 64; k < in[0].size(); ++k)
    {
        peakHeld = std::max(peakHeld, std::fabs(held[0][k]));
        peakFree = std::max(peakFree, std::fabs(free[0][k]));
    }
    EXPECT_LE(peakHeld, peakFree);
    EXPECT_LT(peakHeld, 0.11);
}
