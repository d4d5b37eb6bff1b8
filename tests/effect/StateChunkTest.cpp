// The serialize hook through the runtime's state chunk: 260 bytes, -1000.0 then sliders 1..64.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/support/LevellerDriver.h"
#include "tests/effect/LevellerReference.h"

namespace
{

std::vector<float> TakeChunk(TXlatEffect& effect)
{
    void* data = nullptr;
    const int32_t bytes = effect.GetState(&data);
    std::vector<float> values(static_cast<size_t>(bytes) / sizeof(float));
    if (bytes > 0) std::memcpy(values.data(), data, static_cast<size_t>(bytes));
    return values;
}

int32_t GiveChunk(TXlatEffect& effect, const std::vector<float>& values, int32_t bytes = -1)
{
    if (bytes < 0) bytes = static_cast<int32_t>(values.size() * sizeof(float));
    return effect.SetState(values.data(), bytes);
}

} // namespace

TEST(LevellerStateChunk, HoldsTheMarkerAndSliders1To64)
{
    CLevellerDriver d;
    d.effect.sliders[3] = 4;
    d.effect.sliders[5] = -12;
    d.effect.sliders[10] = 2.3; // not a float value: stored narrowed
    void* data = nullptr;
    ASSERT_EQ(d.effect.GetState(&data), 260);
    const std::vector<float> chunk = TakeChunk(d.effect);
    ASSERT_EQ(chunk.size(), 65u);
    EXPECT_EQ(chunk[0], -1000.0f);
    for (size_t i = 1; i <= 64; ++i)
        EXPECT_EQ(chunk[i], static_cast<float>(d.effect.sliders[i])) << i;
    EXPECT_EQ(chunk[1], 0.0f);
    EXPECT_EQ(chunk[7], -5.0f);
    EXPECT_EQ(chunk[10], 2.3f);
    EXPECT_EQ(chunk[11], 0.0f);
    EXPECT_EQ(d.vars().serializeIndex, 65.0);
}

TEST(LevellerStateChunk, RoundTripRestoresSlidersAndCoefficients)
{
    CLevellerDriver a(48000.0, 512);
    const double values[11] = {0, 0, 1, 6, 5, -12, 18, -2, 4, -3, 2.5};
    for (int k = 2; k <= 10; ++k)
        a.effect.sliders[static_cast<size_t>(k)] = values[k];
    a.effect.DoSlider();
    const std::vector<float> chunk = TakeChunk(a.effect);

    CLevellerDriver b(48000.0, 512);
    EXPECT_EQ(GiveChunk(b.effect, chunk), 260);
    for (int k = 2; k <= 10; ++k)
        EXPECT_EQ(b.effect.sliders[static_cast<size_t>(k)],
                  static_cast<double>(static_cast<float>(values[k])))
            << k;
    // The slider hook ran: the coefficients are those of the original.
    const LevellerVariables& va = a.vars();
    const LevellerVariables& vb = b.vars();
    EXPECT_EQ(vb.targetLevel, va.targetLevel);
    EXPECT_EQ(vb.kneeLevel, va.kneeLevel);
    EXPECT_EQ(vb.releaseCoef, va.releaseCoef);
    EXPECT_EQ(vb.attackCoef, va.attackCoef);
    EXPECT_EQ(vb.lowCutL.a1, va.lowCutL.a1);
    EXPECT_EQ(vb.lowCutInSideChain, 1.0);
    EXPECT_EQ(vb.emphasisAmount, va.emphasisAmount);
    EXPECT_EQ(vb.historySpan, va.historySpan);
    // And the restored effect writes the same chunk again.
    EXPECT_EQ(TakeChunk(b.effect), chunk);
}

TEST(LevellerStateChunk, ShortWrongOrDamagedChunks)
{
    CLevellerDriver d;
    std::vector<float> chunk = TakeChunk(d.effect);

    // Too short, or without the marker: nothing changes, the whole length is taken.
    std::vector<float> tiny = {-1000.0f};
    EXPECT_EQ(GiveChunk(d.effect, tiny, 2), 2);
    std::vector<float> noMarker = chunk;
    noMarker[0] = 1.0f;
    noMarker[3] = 7.0f;
    EXPECT_EQ(GiveChunk(d.effect, noMarker), 260);
    EXPECT_EQ(d.effect.sliders[3], 0.0);

    // A chunk with only sliders 1..5: those are set, the rest stay.
    d.effect.sliders[9] = 3;
    std::vector<float> shortChunk = {-1000.0f, 0.0f, 1.0f, 2.0f, 0.0f, -6.0f};
    EXPECT_EQ(GiveChunk(d.effect, shortChunk), 24);
    EXPECT_EQ(d.effect.sliders[2], 1.0);
    EXPECT_EQ(d.effect.sliders[3], 2.0);
    EXPECT_EQ(d.effect.sliders[5], -6.0);
    EXPECT_EQ(d.effect.sliders[9], 3.0);
    EXPECT_EQ(d.vars().targetLevel, std::pow(10.0, Opaque(-6.0) / 20.0));

    // Recovery -4.5 is stored as given, and matches no row: the recovery time stays.
    const double recovery = d.vars().recoveryTime;
    chunk = TakeChunk(d.effect);
    chunk[7] = -4.5f;
    GiveChunk(d.effect, chunk);
    EXPECT_EQ(d.effect.sliders[7], -4.5);
    EXPECT_EQ(d.vars().recoveryTime, recovery);
    // Out-of-range values are not limited.
    chunk[9] = 35.0f;
    GiveChunk(d.effect, chunk);
    EXPECT_EQ(d.effect.sliders[9], 35.0);

    // NaN or infinite values would make the gain NaN for good: they leave their slider as it
    // was, the values after them still count.
    chunk = TakeChunk(d.effect);
    chunk[5] = std::numeric_limits<float>::quiet_NaN();
    chunk[6] = std::numeric_limits<float>::infinity();
    chunk[9] = -std::numeric_limits<float>::infinity();
    chunk[8] = 4.0f;
    GiveChunk(d.effect, chunk);
    EXPECT_EQ(d.effect.sliders[5], -6.0);
    EXPECT_EQ(d.effect.sliders[6], 0.0);
    EXPECT_EQ(d.effect.sliders[9], 35.0);
    EXPECT_EQ(d.effect.sliders[8], 4.0);
    double l = 0, r = 0;
    d.RunConstant(0.1, 0.1, 256, 2, &l, &r);
    EXPECT_TRUE(std::isfinite(l) && l != 0.0);
}

TEST(LevellerStateChunk, RestoreBeforeAnyResumeRunsTheInitHookOnce)
{
    CLevellerDriver d(48000.0, 512, false);
    d.Open();
    std::vector<float> chunk(65, 0.0f);
    chunk[0] = -1000.0f;
    chunk[7] = -5.0f;
    chunk[10] = 10.0f;
    chunk[4] = 3.0f;
    GiveChunk(d.effect, chunk);
    EXPECT_EQ(d.effect.initCount, 1);
    EXPECT_EQ(d.vars().sampleRate, 48000.0);
    EXPECT_EQ(d.vars().attackCoef, std::exp(-1 / (Opaque(48000.0) * 0.001)));
    d.effect.Element(600000) = 0; // the init hook would write it again
    GiveChunk(d.effect, chunk);
    EXPECT_EQ(d.effect.initCount, 2);
    EXPECT_EQ(d.effect.Element(600000), 0.0);
}
