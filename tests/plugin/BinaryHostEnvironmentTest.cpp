// The built plug-in under what hosts do around it: a resume at another sample rate while the
// delay lines hold audio, and host threads with floating-point settings of their own (traps
// unmasked, flush-to-zero and denormals-are-zero).

#include "tests/plugin/BuiltPlugin.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace
{
using Signal = std::vector<std::vector<float>>;

Signal Sine(size_t frames, double rate, double amplitude)
{
    Signal s(2, std::vector<float>(frames));
    for (size_t i = 0; i < frames; ++i)
        s[0][i] = s[1][i] =
            static_cast<float>(amplitude * std::sin(2.0 * 3.141592653589793 * 220.0 * i / rate));
    return s;
}

float Peak(const Signal& s)
{
    float peak = 0.0f;
    for (const auto& channel : s)
        for (float v : channel)
            peak = std::max(peak, std::fabs(v));
    return peak;
}

// --- A host thread's floating-point settings ------------------------------------------------

struct FloatingPointSettings
{
    uint32_t mxcsr;
    uint16_t x87;
};

FloatingPointSettings CurrentSettings()
{
    FloatingPointSettings s{_mm_getcsr(), 0};
    __asm__ volatile("fnstcw %0" : "=m"(s.x87));
    return s;
}

void Apply(const FloatingPointSettings& s)
{
    _mm_setcsr(s.mxcsr);
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(s.x87));
}

// Runs `call` with the thread's settings at `host` and answers the settings it left; the
// test's own code runs with the usual settings again afterwards.
FloatingPointSettings CallWith(const FloatingPointSettings& host, const std::function<void()>& call)
{
    const FloatingPointSettings usual = CurrentSettings();
    Apply(host);
    call();
    const FloatingPointSettings left = CurrentSettings();
    Apply(usual);
    return left;
}

template <typename T>
bool SameBits(const std::vector<std::vector<T>>& a, const std::vector<std::vector<T>>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t c = 0; c < a.size(); ++c)
        if (a[c].size() != b[c].size() ||
            std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(T)) != 0)
            return false;
    return true;
}
} // namespace

// A resume at another rate moves the right delay line and the history to other memory. Whatever
// that memory held (the old history's ordinates, about 100, or old audio) must never come out:
// the first blocks at the new rate are no louder than a fresh instance makes them, and identical
// channels stay identical.
TEST_F(BuiltPlugin, ResumeAtAnotherRateStartsTheLookAheadFromSilence)
{
    const double rates[] = {44100.0, 48000.0, 88200.0, 96000.0, 192000.0};
    constexpr VstInt32 kBlock = 256;
    for (double from : rates)
        for (double to : rates)
            for (bool playing : {true, false})
            {
                if (from == to) continue;
                SCOPED_TRACE(testing::Message() << from << " -> " << to << " Hz, transport "
                                                << (playing ? "playing" : "stopped"));
                CHostCallback host;
                host.playing = playing;
                host.sampleRate = static_cast<float>(from);
                CVstPlugin* moved = make(host, "VSTPluginMain", static_cast<float>(from), kBlock);
                ASSERT_NE(moved, nullptr);
                moved->processFloat(Sine(200 * kBlock, from, 0.09));
                moved->suspend();
                host.sampleRate = static_cast<float>(to);
                moved->setSampleRate(static_cast<float>(to));
                moved->resume();
                const Signal input = Sine(8 * kBlock, to, 0.09);
                const Signal after = moved->processFloat(input);

                CHostCallback freshHost;
                freshHost.playing = playing;
                freshHost.sampleRate = static_cast<float>(to);
                CVstPlugin* fresh =
                    make(freshHost, "VSTPluginMain", static_cast<float>(to), kBlock);
                ASSERT_NE(fresh, nullptr);
                const Signal reference = fresh->processFloat(input);

                EXPECT_LE(Peak(after), Peak(reference) * 1.0001f);
                EXPECT_EQ(after[0], after[1]);
                // Silence first, as in a fresh instance: the look-ahead starts again.
                for (size_t i = 0; i < 64; ++i)
                    ASSERT_LT(std::fabs(after[1][i]), 1e-9f) << i;
                moved->suspend();
                moved->setSampleRate(static_cast<float>(from));
                moved->resume();
                // And back, on silence: the dither alone, nothing of the memory left behind.
                EXPECT_LT(Peak(moved->processFloat(Sine(4 * kBlock, from, 0.0))), 1e-9f);
            }
}

// Hosts that unmask floating-point traps, or set flush-to-zero and denormals-are-zero, on the
// threads they call us on. Every computing entry (creation, resume, parameters, chunks, both
// kinds of processing) runs in the plug-in's own settings: nothing traps, each call gives the
// thread back exactly as it found it, and the audio is what the usual settings give.
TEST_F(BuiltPlugin, HostFloatingPointSettingsNeverTrapNorChangeTheAudio)
{
    const FloatingPointSettings usual = CurrentSettings();
    // Overflow, division by zero and invalid operation unmasked, in SSE and x87 (0x1B80 is the
    // overflow trap alone; 0x1900 adds the other two); then FTZ and DAZ with all masked.
    const FloatingPointSettings traps{0x1900u, static_cast<uint16_t>(usual.x87 & ~0x0Du)};
    const FloatingPointSettings flushing{0x9FC0u, usual.x87};

    // Extreme settings (37.5 Hz, attack "5ms", the 20 Hz low-cut on the audio, Pull Up 30: the
    // low-cut is unstable at that rate and overflows) and ordinary ones.
    struct Setting
    {
        float rate;
        float attack;
        float lowCut;
        float pullUp;
    };
    for (const Setting setting :
         {Setting{37.5f, 4.0f / 11, 1.0f / 8, 1.0f}, Setting{44100.0f, 0.0f, 0.0f, 0.4f}})
        for (const FloatingPointSettings& odd : {traps, flushing})
        {
            SCOPED_TRACE(testing::Message()
                         << "rate " << setting.rate << ", MXCSR " << std::hex << odd.mxcsr);
            const auto checkLeft = [&](const FloatingPointSettings& left, const char* what)
            {
                EXPECT_EQ(left.mxcsr, odd.mxcsr) << what;
                EXPECT_EQ(left.x87, odd.x87) << what;
            };
            // The same host schedule twice: once in the usual settings, once in the odd ones.
            Signal floatOut[2];
            std::vector<std::vector<double>> doubleOut[2];
            for (int round = 0; round < 2; ++round)
            {
                const FloatingPointSettings& env = round == 0 ? usual : odd;
                CHostCallback host;
                host.sampleRate = setting.rate;
                const auto call = [&](const char* what, const std::function<void()>& f)
                {
                    if (round == 0)
                        f();
                    else
                        checkLeft(CallWith(env, f), what);
                };
                std::unique_ptr<CVstPlugin> p;
                std::string error;
                call("create",
                     [&] { p = CVstPlugin::create(library.entry("VSTPluginMain"), host, error); });
                ASSERT_TRUE(p) << error;
                call("open", [&] { p->open(); });
                call("rate", [&] { p->setSampleRate(setting.rate); });
                call("block", [&] { p->setBlockSize(128); });
                call("resume", [&] { p->resume(); });
                call("attack", [&] { p->setParameter(2, setting.attack); });
                call("low cut", [&] { p->setParameter(1, setting.lowCut); });
                call("push down", [&] { p->setParameter(3, 0.0f); });
                call("pull up", [&] { p->setParameter(4, setting.pullUp); });
                std::vector<uint8_t> chunk;
                call("get chunk", [&] { chunk = p->getChunk(); });
                call("set chunk", [&] { p->setChunk(chunk); });
                call("idle", [&] { p->dispatch(effEditIdle); });
                const Signal input = SpeechLikeSignal(8192);
                call("float", [&] { floatOut[round] = p->processFloat(input); });
                std::vector<std::vector<double>> wide;
                for (const auto& channel : input)
                    wide.emplace_back(channel.begin(), channel.end());
                call("double", [&] { doubleOut[round] = p->processDouble(wide); });
                call("suspend", [&] { p->suspend(); });
                call("close", [&] { p.reset(); });
            }
            EXPECT_TRUE(SameBits(floatOut[0], floatOut[1]));
            EXPECT_TRUE(SameBits(doubleOut[0], doubleOut[1]));
        }
}
