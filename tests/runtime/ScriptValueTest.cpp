// The value rules every hook body and service relies on.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/ScriptValue.h"
#include "runtime/SharedDouble.h"

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
} // namespace

TEST(ScriptValue, TruthUsesTheOpenIntervalAroundZero)
{
    EXPECT_FALSE(ScriptTrue(0.0));
    EXPECT_FALSE(ScriptTrue(-0.0));
    EXPECT_FALSE(ScriptTrue(0.000009));
    EXPECT_FALSE(ScriptTrue(-0.000009));
    // The bounds themselves are outside the interval.
    EXPECT_TRUE(ScriptTrue(-0.00001));
    EXPECT_TRUE(ScriptTrue(0.00001));
    EXPECT_TRUE(ScriptTrue(1.0));
    EXPECT_TRUE(ScriptTrue(-kInf));
    EXPECT_TRUE(ScriptTrue(kNaN));
}

TEST(ScriptValue, EqualityToleratesDifferencesBelowTheEpsilon)
{
    EXPECT_TRUE(ScriptEqual(0.000009, 0.0));
    EXPECT_TRUE(ScriptEqual(1.0, 1.000009));
    EXPECT_FALSE(ScriptEqual(1.0, 1.00002));
    EXPECT_FALSE(ScriptEqual(0.0, -0.00001));
    EXPECT_FALSE(ScriptEqual(kNaN, kNaN));
    EXPECT_FALSE(ScriptEqual(kNaN, 0.0));
    EXPECT_FALSE(ScriptEqual(kInf, kInf)); // inf - inf is NaN
}

TEST(ScriptValue, IntegerRuleNudgesTowardTheSignThenTruncates)
{
    EXPECT_EQ(ScriptInt(2.99995), 3);
    EXPECT_EQ(ScriptInt(-2.99995), -3);
    EXPECT_EQ(ScriptInt(2.9998), 2);
    EXPECT_EQ(ScriptInt(-2.9998), -2);
    EXPECT_EQ(ScriptInt(-0.5), 0);
    EXPECT_EQ(ScriptInt(-0.99995), -1);
    EXPECT_EQ(ScriptInt(0.0), 0);
    EXPECT_EQ(ScriptInt(600000.0), 600000);
    EXPECT_EQ(ScriptInt(2147483646.0), 2147483646);
    EXPECT_EQ(ScriptInt(-2147483647.5), -2147483647);
}

TEST(ScriptValue, IntegerRuleIsDefinedForNaNInfinitiesAndHugeValues)
{
    EXPECT_EQ(ScriptInt(kNaN), 0);
    EXPECT_EQ(ScriptInt(-kNaN), 0);
    EXPECT_EQ(ScriptInt(kInf), INT32_MAX);
    EXPECT_EQ(ScriptInt(-kInf), INT32_MIN);
    EXPECT_EQ(ScriptInt(1e20), INT32_MAX);
    EXPECT_EQ(ScriptInt(-1e20), INT32_MIN);
    EXPECT_EQ(ScriptInt(2147483647.0), INT32_MAX);
    EXPECT_EQ(ScriptInt(2147483648.0), INT32_MAX);
    EXPECT_EQ(ScriptInt(-2147483648.0), INT32_MIN);
    EXPECT_EQ(ScriptInt(-2147483649.0), INT32_MIN);
}

TEST(ScriptValue, FiniteCheckZeroesOnlyNaNAndInfinities)
{
    EXPECT_EQ(ScriptFinite(kNaN), 0.0);
    EXPECT_EQ(ScriptFinite(kInf), 0.0);
    EXPECT_EQ(ScriptFinite(-kInf), 0.0);
    EXPECT_EQ(ScriptFinite(44100.0), 44100.0);
    EXPECT_EQ(ScriptFinite(-1e300), -1e300);
}

// A shared value keeps every bit through stores, loads, copies and compound changes: the same
// numbers as a plain double (NaN payloads, signed zeros and subnormals included).
TEST(SharedDouble, KeepsEveryBitLikeAPlainDouble)
{
    const double values[] = {std::bit_cast<double>(0x7ff8dead0000beefULL),
                             -0.0,
                             std::numeric_limits<double>::denorm_min(),
                             -kInf,
                             0.1,
                             1e308};
    for (const double x : values)
    {
        SharedDouble a = x;
        SharedDouble b;
        b = a;
        const SharedDouble c(b);
        double cell = 0.0;
        StoreShared(cell, c);
        EXPECT_EQ(std::bit_cast<uint64_t>(LoadShared(cell)), std::bit_cast<uint64_t>(x));
        EXPECT_EQ(std::bit_cast<uint64_t>(c.load()), std::bit_cast<uint64_t>(x));
    }
    SharedDouble sum = 0.1;
    double plain = 0.1;
    sum += 0.2;
    plain += 0.2;
    sum -= 1e-17;
    plain -= 1e-17;
    EXPECT_EQ(std::bit_cast<uint64_t>(sum.load()), std::bit_cast<uint64_t>(plain));
}
