// String handles and the formatter, including hostile specifications and truncation.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "runtime/Xlat.h"

namespace
{

// Formats `format` (registered under handle 1) into handle 2 and answers the result.
class Formatter : public ::testing::Test
{
  protected:
    template <typename... A> std::string Format(const std::string& format, A... args)
    {
        rt.RegisterString(1, format);
        EXPECT_EQ(rt.FormatString(2, 1, args...), 2.0);
        return rt.strings[2];
    }
    TXlat rt;
};

} // namespace

TEST(ScriptStrings, LookupCreatesEmptyEntriesAndCountsThem)
{
    TXlat rt;
    EXPECT_EQ(rt.RegisterString(10000, "Build 170206"), 10000.0);
    EXPECT_EQ(rt.stringCount, 1.0);
    EXPECT_EQ(rt.LookupString(10000), "Build 170206");
    EXPECT_EQ(rt.LookupString(9999.99995), "Build 170206"); // integer rule
    EXPECT_EQ(rt.stringCount, 1.0);
    EXPECT_EQ(rt.LookupString(12345), "");
    EXPECT_EQ(rt.stringCount, 2.0);
    EXPECT_EQ(rt.strings.count(12345), 1u);
    rt.RegisterString(10000, "replaced");
    EXPECT_EQ(rt.LookupString(10000), "replaced");
    EXPECT_EQ(rt.stringCount, 2.0);
    rt.ClearStrings();
    EXPECT_EQ(rt.stringCount, 0.0);
    EXPECT_TRUE(rt.strings.empty());
}

TEST_F(Formatter, ConversionsFollowTheTable)
{
    EXPECT_EQ(Format("%.2f", 3.14159), "3.14");
    EXPECT_EQ(Format("%d", 2.99995), "3");
    EXPECT_EQ(Format("%d", -0.5), "0");
    EXPECT_EQ(Format("%d", -2.99995), "-3");
    EXPECT_EQ(Format("%5.1f|%-4d|%+d", 2.26, 7, 3), "  2.3|7   |+3");
    EXPECT_EQ(Format("%x %X %o %u", 255, 255, 8, 12), "ff FF 10 12");
    EXPECT_EQ(Format("%x", -1), "ffffffff");
    EXPECT_EQ(Format("%c%c", 72, 105), "Hi");
    EXPECT_EQ(Format("%e", 1500.0).rfind("1.500000e+0", 0), 0u);
    EXPECT_EQ(Format("%g", 0.5), "0.5");
    EXPECT_EQ(Format("gain %05.1f dB", -3.04), "gain -03.0 dB");
}

TEST_F(Formatter, TextConversionPrintsTheEntryOfTheHandle)
{
    rt.RegisterString(10043, " dB");
    EXPECT_EQ(Format("%s and more", 10043), " dB and more");
    EXPECT_EQ(Format("[%5s]", 10043), "[   dB]");
    EXPECT_EQ(Format("[%.2s]", 10043), "[ d]");
    const double before = rt.stringCount;
    EXPECT_EQ(Format("<%s>", 777), "<>"); // unknown handle: empty and created
    EXPECT_EQ(rt.strings.count(777), 1u);
    EXPECT_EQ(rt.stringCount, before + 1);
}

TEST_F(Formatter, UnknownLettersPrintNothingAndTakeNoArgument)
{
    EXPECT_EQ(Format("%q%d", 7), "7");
    // Length modifiers are letters: "%l" prints nothing, "d" is plain text.
    EXPECT_EQ(Format("%ld", 5), "d");
    // "%n" must never write anywhere: it is just an unknown letter.
    EXPECT_EQ(Format("a%nb%d", 4), "ab4");
    EXPECT_EQ(Format("%5.2q|%d", 1), "|1");
}

TEST_F(Formatter, SpecificationsAreRebuiltSafelyBeforeTheCLibrary)
{
    // "*" would read an int that was never passed; it is dropped.
    EXPECT_EQ(Format("%*d", 42), "42");
    EXPECT_EQ(Format("%.*f", 1.7), "2"); // what is left is "%.f"
    // Positional "$" and stray characters are dropped, width and precision kept.
    EXPECT_EQ(Format("%1$d", 42), "42");
    EXPECT_EQ(Format("%4!d", 42), "  42");
    EXPECT_EQ(Format("%.2.3f", 1.23456), "1.23");
    // Flags the letter does not allow are dropped.
    EXPECT_EQ(Format("%#d|%05s|%.3c", 9, 0, 65), "9|     |A");
    EXPECT_EQ(Format("%#x", 255), "0xff");
    // Huge widths and precisions are capped instead of overflowing anything.
    const std::string wide = Format("%99999999999999999999d", 1);
    EXPECT_EQ(wide.size(), 511u);
    EXPECT_EQ(wide.back(), '1');
    const std::string precise = Format("%.999f", 1e300);
    EXPECT_EQ(precise.size(), 511u);
    // "%%" prints as the C library prints it and still takes an argument.
    EXPECT_EQ(Format("%%d|%d", 1, 2), "%d|2");
    EXPECT_EQ(Format("100%% done", 1), "100% done");
}

TEST_F(Formatter, NonFiniteAndMissingArgumentsHaveDefinedResults)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Format("%d", nan), "0");
    EXPECT_EQ(Format("%d", 1e20), "2147483647");
    EXPECT_EQ(Format("%i", -inf), "-2147483648");
    EXPECT_EQ(Format("%u", inf), "2147483647");
    EXPECT_EQ(Format("%.1f", inf), "inf");
    // Fewer arguments than specifications: the missing ones read as 0.
    EXPECT_EQ(Format("%d %d %.1f", 5), "5 0 0.0");
    // A %c of 0 prints nothing; the rest goes on.
    EXPECT_EQ(Format("a%cb", 0), "ab");
}

TEST_F(Formatter, LongResultsAndSpecificationsAreCutNotOverrun)
{
    EXPECT_EQ(Format(std::string(600, 'a')), std::string(511, 'a'));
    rt.RegisterString(50, std::string(700, 'z'));
    EXPECT_EQ(Format("xy%s", 50), "xy" + std::string(509, 'z'));
    // A specification longer than its buffer: the excess is dropped, the letter still counts.
    EXPECT_EQ(Format("%" + std::string(400, ' ') + "d|", 3), " 3|");
    EXPECT_EQ(Format("%" + std::string(300, '-') + "3d|", 3), "3|"); // the width fell off
    // The format ends inside a specification: that part is dropped.
    EXPECT_EQ(Format("abc%5", 1), "abc");
    EXPECT_EQ(Format("%", 1), "");
}

TEST_F(Formatter, DestinationMayBeTheFormatItself)
{
    rt.RegisterString(5, "v=%d");
    EXPECT_EQ(rt.FormatString(5, 5, 12), 5.0);
    EXPECT_EQ(rt.strings[5], "v=12");
    // Handles are script values too.
    rt.RegisterString(7, "%.1f");
    EXPECT_EQ(rt.FormatString(190000.99995, 6.99995, 2.26), 190000.99995);
    EXPECT_EQ(rt.strings[190001], "2.3");
}
