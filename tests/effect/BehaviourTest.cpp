// End to end on speech-like material (syllables with pauses) in passages at very different
// levels go through the 32-bit bridge in host-sized blocks.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/cli/SpeechLikeSignal.h"
#include "tests/support/LevellerDriver.h"

namespace
{

constexpr double kRate = 44100.0;

// `frames` frames of the shared speech-like signal (voiced syllables, consonants, short gaps)
// from its second phrase, which speaks on without a phrase pause for 2.5 s, scaled to an RMS
// level of `rms`.
std::vector<double> Speech(size_t frames, double rms)
{
    const size_t from = static_cast<size_t>(2 * kRate);
    const StereoSignal speech = makeSpeechLikeSignal(static_cast<double>(from + frames + 1) / kRate,
                                                     static_cast<int>(kRate));
    std::vector<double> out(speech.left.begin() + from, speech.left.begin() + from + frames);
    double sum = 0;
    for (double x : out)
        sum += x * x;
    const double scale = rms / std::sqrt(sum / static_cast<double>(frames));
    for (double& x : out)
        x *= scale;
    return out;
}

double RmsDb(const std::vector<float>& x, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return 10 * std::log10(sum / static_cast<double>(to - from));
}

} // namespace

TEST(LevellerBehaviour, SpeechAtVeryDifferentLevelsComesOutMuchCloser)
{
    // Four passages of 2 s: quiet (-53.4 dB RMS), loud (-16.5 dB), quiet, loud.
    const size_t passage = static_cast<size_t>(2 * kRate);
    const double loud = std::pow(10.0, -16.5 / 20.0);
    const double levels[] = {loud / 70, loud, loud / 70, loud};
    std::vector<double> input;
    for (int p = 0; p < 4; ++p)
    {
        const std::vector<double> s = Speech(passage, levels[p]);
        input.insert(input.end(), s.begin(), s.end());
    }
    std::vector<float> inL(input.begin(), input.end());
    std::vector<float> inR(inL.size());
    for (size_t i = 0; i < inL.size(); ++i)
        inR[i] = 0.8f * inL[i];

    // The plug-in's frame loop twice: as the bridge runs it (the block loop), and frame by frame
    // keeping each frame's gain and the block's dither, on a twin that must give the same bits.
    CLevellerDriver d(kRate, 512);
    CLevellerDriver twin(kRate, 512);
    for (CLevellerDriver* x : {&d, &twin})
    {
        x->SetSlider(5, -12); // Push Down
        x->SetSlider(6, 24);  // Pull Up
        x->SetSlider(4, 3);   // 1 ms attack
        x->host.playing = true;
    }
    std::vector<float> outL(inL.size()), outR(inL.size());
    std::vector<float> twinL(inL.size()), twinR(inL.size());
    std::vector<double> gains(inL.size()), dithers(inL.size());
    const double outputGain = d.vars().outputGain;
    for (size_t at = 0; at < inL.size(); at += 512)
    {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(512, inL.size() - at));
        d.ProcessFloat(&inL[at], &inR[at], &outL[at], &outR[at], n);
        twin.Process(&inL[at], &inR[at], &twinL[at], &twinR[at], n,
                     [&](int32_t i)
                     {
                         gains[at + static_cast<size_t>(i)] = twin.vars().gain;
                         dithers[at + static_cast<size_t>(i)] = twin.vars().dither;
                     });
    }
    ASSERT_EQ(outL, twinL);
    ASSERT_EQ(outR, twinR);

    // The output is the input delayed by 64 frames times that frame's gain.
    for (size_t i = 64; i < inL.size(); ++i)
    {
        const double delayedL = static_cast<double>(inL[i - 64]) + dithers[i - 64];
        const double delayedR = static_cast<double>(inR[i - 64]) + dithers[i - 64];
        ASSERT_EQ(outL[i], static_cast<float>(gains[i] * delayedL * outputGain)) << i;
        ASSERT_EQ(outR[i], static_cast<float>(gains[i] * delayedR * outputGain)) << i;
    }

    // Levels of each passage, skipping its first half second (the follower settles there).
    const size_t settle = static_cast<size_t>(0.5 * kRate);
    double inDb[4], outDb[4];
    for (int p = 0; p < 4; ++p)
    {
        const size_t from = p * passage + settle, to = (p + 1) * passage;
        inDb[p] = RmsDb(inL, from, to);
        outDb[p] = RmsDb(outL, from, to);
    }
    const double inSpread = inDb[1] - inDb[0];
    const double outSpread = outDb[1] - outDb[0];
    EXPECT_NEAR(inSpread, 20 * std::log10(70.0), 0.5);
    // 37 dB apart going in; well under a third of that coming out.
    EXPECT_LT(std::fabs(outSpread), inSpread / 3) << "in " << inSpread << " dB, out " << outSpread;
    EXPECT_LT(std::fabs((outDb[3] - outDb[2]) - outSpread), 1.0);
    // Quiet speech is pulled up (by up to 24 dB), loud speech pushed down.
    EXPECT_GT(outDb[0] - inDb[0], 12.0);
    EXPECT_LT(outDb[1] - inDb[1], -3.0);
    // Nothing leaves the gain law's bounds: 0 < gain <= the Pull Up boost.
    for (double g : gains)
        ASSERT_TRUE(g > 0 && g <= std::pow(10.0, 24.0 / 20.0) * (1 + 1e-12));
    // The history recorded one ordinate per block while playing (entry k holds the gain at the
    // end of block k): quiet passages above the 0 dB line (ordinates below 100), loud ones
    // below it.
    const double blocksPerPassage = static_cast<double>(passage) / 512;
    for (int p = 0; p < 4; ++p)
    {
        double sum = 0;
        int count = 0;
        for (int b = static_cast<int>((p + 0.5) * blocksPerPassage);
             b < static_cast<int>((p + 1) * blocksPerPassage) - 1; ++b, ++count)
            sum += d.effect.Element(88201 + b);
        const double mean = sum / count;
        if (levels[p] < 0.1)
            EXPECT_LT(mean, 100.0 - 5 * 12) << p;
        else
            EXPECT_GT(mean, 100.0) << p;
    }
}
