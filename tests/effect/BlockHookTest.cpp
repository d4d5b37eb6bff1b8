// The block hook: latency report, transport, the gain history (start fill, ordinates, write
// position) and its safe handling of a block size of 0 or an oversized display span.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/LevellerDriver.h"
#include "tests/effect/LevellerReference.h"

namespace
{

// The history ordinate of a gain, written out independently: 100 at unity, 0 at +20 dB and
// above, 199 at -20 dB and below.
double Ordinate(double x)
{
    double h = 10;
    if (x > 10)
        h = 0.1;
    else if (x > 0.1)
        h = 1 / x;
    return 200 - std::ceil(100 - 43.3 * std::log(Opaque(h)));
}

} // namespace

TEST(LevellerBlockHook, ReportsTheLatencyOnceAndReadsTheTransport)
{
    CLevellerDriver d(44100.0, 512);
    // The init hook already told the host; the block hook finds nothing new to report.
    EXPECT_EQ(d.host.latencyCalls, 1);
    EXPECT_EQ(d.host.lastLatency, 64);
    d.host.tempo = 97.5;
    d.host.numerator = 7;
    d.host.denominator = 8;
    d.host.ppq = 12.25;
    d.host.playing = true;
    d.host.recording = true;
    d.host.timeRequests = 0;
    d.effect.DoBlock();
    EXPECT_EQ(d.host.latencyCalls, 1);
    EXPECT_EQ(d.host.lastLatency, 64);
    EXPECT_EQ(d.vars().reportedLatency, 64.0);
    EXPECT_EQ(d.host.timeRequests, 4); // tempo+signature, playing, recording, position
    EXPECT_EQ(d.vars().playState, 5.0);
    EXPECT_EQ(d.vars().playPosition, 12.25);
    EXPECT_EQ(d.vars().tempo, 97.5);
    EXPECT_EQ(d.vars().timeSigNumerator, 7.0);
    EXPECT_EQ(d.vars().timeSigDenominator, 8.0);
    d.host.recording = false;
    d.effect.DoBlock();
    EXPECT_EQ(d.vars().playState, 1.0);
    d.host.playing = false;
    d.host.recording = true;
    d.effect.DoBlock();
    EXPECT_EQ(d.vars().playState, 4.0);
    // A resume does not report the unchanged latency again.
    d.Resume();
    d.effect.DoBlock();
    EXPECT_EQ(d.host.latencyCalls, 1);
}

TEST(LevellerBlockHook, FirstBlockFillsTheHistoryWithTheZeroDbLine)
{
    CLevellerDriver d(44100.0, 512);
    d.effect.Element(88201 + 900) = 55; // beyond the reachable entries
    d.effect.DoBlock();
    // 441000 / 512 = 861.3: entries 0 .. 862 are reachable.
    for (int i = 0; i <= 862; ++i)
        ASSERT_EQ(d.effect.Element(88201 + i), 100.0) << i;
    EXPECT_EQ(d.effect.Element(88201 + 863), 0.0);
    EXPECT_EQ(d.effect.Element(88201 + 900), 55.0);
    EXPECT_EQ(d.vars().historyReady, 1.0);
    EXPECT_EQ(d.vars().historyWritePos, 0.0);
    EXPECT_EQ(d.vars().graphSmooth, 10000.0);
    // Only once: a later block leaves changed entries alone.
    d.effect.Element(88201 + 3) = 42;
    d.effect.DoBlock();
    EXPECT_EQ(d.effect.Element(88201 + 3), 42.0);
}

TEST(LevellerBlockHook, WritesOneOrdinatePerBlockWhileTheTransportPlays)
{
    CLevellerDriver d(44100.0, 512);
    d.host.playing = true;
    d.SetSlider(9, 0);
    struct Case
    {
        double gain;
        double expected;
    };
    const Case cases[] = {{1.0, 100},          {10.0, 0}, {25.0, 0},  {0.1, 199},
                          {0.05, 199},         {2.0, 69}, {0.5, 130}, {1.5, Ordinate(1.5)},
                          {0.3, Ordinate(0.3)}};
    double pos = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.gain);
        d.vars().lastGain = c.gain;
        d.effect.DoBlock();
        EXPECT_EQ(d.effect.Element(88201 + static_cast<int>(pos)), c.expected);
        EXPECT_EQ(d.effect.Element(88201 + static_cast<int>(pos)), Ordinate(c.gain));
        pos += 1;
        EXPECT_EQ(d.vars().historyWritePos, pos);
        EXPECT_EQ(d.vars().historyBaseCopy, 88201.0);
    }
    // The output gain counts: lastGain 0.5 with +6.02 dB output is unity.
    d.SetRawSlider(9, 20 * std::log10(2.0)); // between steps: no host value
    d.vars().lastGain = 0.5;
    d.effect.DoBlock();
    EXPECT_EQ(d.effect.Element(88201 + static_cast<int>(pos)), Ordinate(0.5 * d.vars().outputGain));

    // Stopped transport, or no gain yet: nothing written, the position stays.
    pos = d.vars().historyWritePos;
    d.effect.Element(88201 + static_cast<int>(pos)) = -1;
    d.host.playing = false;
    d.effect.DoBlock();
    EXPECT_EQ(d.vars().historyWritePos, pos);
    d.host.playing = true;
    d.vars().lastGain = 0.0;
    d.effect.DoBlock();
    EXPECT_EQ(d.vars().historyWritePos, pos);
    EXPECT_EQ(d.effect.Element(88201 + static_cast<int>(pos)), -1.0);
}

TEST(LevellerBlockHook, WritePositionWrapsAfterTheDisplaySpan)
{
    // 1 s at 44100 Hz in 512-frame blocks: N = 86.13, positions 0 .. 87, then 0 again.
    CLevellerDriver d(44100.0, 512);
    d.SetSlider(10, 1);
    d.host.playing = true;
    d.vars().lastGain = 1.0;
    for (int i = 0; i < 87; ++i)
        d.effect.DoBlock();
    EXPECT_EQ(d.vars().historyWritePos, 87.0);
    d.effect.DoBlock();
    EXPECT_EQ(d.vars().historyWritePos, 0.0);
    // Audio drives it the same way: with real frames lastGain comes from the sample hook.
    StereoBuffer in(512 * 3);
    d.Run(in, 512);
    EXPECT_EQ(d.vars().historyWritePos, 3.0);
    EXPECT_NE(d.vars().lastGain, 0.0);
}

TEST(LevellerBlockHook, BlockSizeZeroSkipsTheHistoryInsteadOfHanging)
{
    // First with no earlier set-up, then after a resume that turns a good block size into 0.
    CLevellerDriver fresh(44100.0, 0);
    fresh.host.playing = true;
    fresh.RunConstant(0.2, 0.1, 100, 3);
    EXPECT_EQ(fresh.vars().historyReady, 0.0);
    EXPECT_EQ(fresh.vars().historyWritePos, 0.0);
    EXPECT_EQ(fresh.vars().historyStep, 0.0);

    CLevellerDriver d(44100.0, 512);
    d.host.playing = true;
    d.RunConstant(0.2, 0.1, 512, 2);
    const double step = d.vars().historyStep;
    const double pos = d.vars().historyWritePos;
    EXPECT_EQ(pos, 1.0);
    d.host.blockSize = 0;
    d.Resume();
    EXPECT_EQ(d.vars().historyStep, step);
    double l = 0;
    d.RunConstant(0.2, 0.1, 512, 3, &l);
    EXPECT_EQ(d.vars().historyWritePos, pos);
    EXPECT_TRUE(std::isfinite(l));
    // Blocks of 0 frames are fine too: DoBlock runs, no frame.
    d.host.blockSize = 256;
    d.Resume();
    d.RunConstant(0.2, 0.1, 0, 5);
    EXPECT_EQ(d.vars().historyWritePos, pos + 5);
}

TEST(LevellerBlockHook, OversizedDisplaySpanStaysInsidePreparedMemory)
{
    // Only a restored chunk can hold such a display speed. The history must neither run away
    // nor touch memory outside what the init hook prepared.
    CLevellerDriver d(48000.0, 1);
    d.host.playing = true;
    d.vars().historyReady = 0;
    d.SetRawSlider(10, 1e6);
    d.vars().lastGain = 1.0;
    const size_t pagesBefore = d.effect.memory.size();
    d.effect.DoBlock();
    for (int i = 0; i < 1000; ++i)
        d.effect.DoBlock();
    EXPECT_EQ(d.effect.memory.size(), pagesBefore);
    EXPECT_EQ(d.vars().historyWritePos, 1001.0);
    EXPECT_EQ(d.effect.Element(96001 + 500), 100.0);
    // A NaN span: the position never wraps and walks past the prepared entries; nothing is
    // written there.
    d.vars().historySpan = std::nan("");
    d.vars().historyWritePos = 480000;
    for (int i = 0; i < 10; ++i)
        d.effect.DoBlock();
    EXPECT_EQ(d.vars().historyWritePos, 480010.0);
    EXPECT_EQ(d.effect.memory.size(), pagesBefore);
}
