// Numbers, truth values and their texts: Str and Val as the files and lists write and
// read them, and the C* conversions with their rounding, ranges and error numbers.
#include "support/Errors.h"
#include "vb/Conversions.h"
#include "vb/Error.h"

#include <QDate>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace vb;
using testsupport::errorOf;

namespace {


QString s(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(StrTest, PutsABlankBeforeNonNegativeNumbersAndDropsTheZeroBeforeThePoint)
{
    const struct {
        QString got, expected;
    } cases[] = {
        {Str(5), s(" 5")},
        {Str(-5), s("-5")},
        {Str(0), s(" 0")},
        {Str(qint64(2147483648LL)), s(" 2147483648")},
        {Str(1.5), s(" 1.5")},
        {Str(-1.5), s("-1.5")},
        {Str(0.5), s(" .5")},
        {Str(-0.25), s("-.25")},
        {Str(0.0), s(" 0")},
        {Str(-0.0), s(" 0")},
        {Str(100.0), s(" 100")},
        {Str(1e15), s(" 1E+15")},
        {Str(123456789012345678.0), s(" 1.23456789012346E+17")},
        {Str(0.00001), s(" 1E-05")},
        {Str(0.1f), s(" .1")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected);
}

TEST(PrintNumberTest, WritesSignPlaceDigitsAndATrailingBlank)
{
    EXPECT_EQ(PrintNumber(0), s(" 0 "));
    EXPECT_EQ(PrintNumber(4), s(" 4 "));
    EXPECT_EQ(PrintNumber(-3), s("-3 "));
    EXPECT_EQ(PrintNumber(32768), s(" 32768 "));
}

TEST(ValTest, ReadsTheLeadingNumberAndSkipsBlanksTabsAndLineFeedsAnywhere)
{
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"", 0},
        {"123", 123},
        {"  1 2 3", 123},
        {"\t5\n6", 56},
        {"\r5", 0},            // a carriage return is not skipped
        {"12abc", 12},
        {"abc", 0},
        {"1.5", 1.5},
        {".5", 0.5},
        {"-.5", -0.5},
        {"+7", 7},
        {"- 7", -7},
        {"--5", 0},
        {"1,000", 1},          // no thousands separators, whatever the settings
        {"1.2.3", 1.2},
        {"1e3", 1000},
        {"1.5E-2", 0.015},
        {"2d2", 200},
        {"1e", 1},
        {"1e+", 1},
        {"3e2x", 300},
        {" 8/12/1999", 8},
        {"12-08-1999", 12},
        {"14:05:33", 14},
        {"5 ", 5},
        {"&HFF", 255},
        {"&hff", 255},
        {"&HFFFF", -1},        // an Integer when it fits 16 bits
        {"&HFFFF&", 65535},    // unless a Long is asked for
        {"&H8000", -32768},
        {"&H10000", 65536},
        {"&HFFFFFFFF", -1},
        {"&O17", 15},
        {"&O8", 0},
        {"&H", 0},
        {"&", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Val(s(c.text)), c.expected) << c.text;
}

TEST(ValTest, NumbersBeyondDoubleOverflow)
{
    EXPECT_EQ(errorOf([] { Val(s("1e400")); }), 6);
    EXPECT_EQ(errorOf([] { Val(s("&H100000000")); }), 6);
    EXPECT_EQ(Val(s("1e-400")), 0.0);
}

TEST(CIntTest, AcceptsRegionalNumberTextsAndRoundsHalfToEven)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"5", 5},        {" 42 ", 42},    {"\t9\t", 9},     {"2.5", 2},        {"3.5", 4},
        {"-2.5", -2},    {"0.5", 0},      {"1.5", 2},       {"2.51", 3},       {"-0.4", 0},
        {"32767", 32767}, {"-32768", -32768}, {"32767.4", 32767}, {"-32768.5", -32768},
        {"1,000", 1000}, {"1e3", 1000},   {"(5)", -5},      {"5-", -5},        {"+5", 5},
        {"$7", 7},       {"&H7FFF", 32767}, {"&HFFFF", -1}, {"&O10", 8},       {"0", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CInt(s(c.text)), c.expected) << c.text;
}

TEST(CIntTest, OverflowsOutsideMinus32768To32767AfterRounding)
{
    for (const char* text : {"32768", "-32769", "32767.5", "-32768.6", "1e10", "&H10000"})
        EXPECT_EQ(errorOf([&] { CInt(s(text)); }), 6) << text;
    EXPECT_EQ(errorOf([] { CInt(32767.5); }), 6);
    EXPECT_EQ(errorOf([] { CInt(-32768.51); }), 6);
    EXPECT_EQ(errorOf([] { CInt(std::nan("")); }), 6);
}

TEST(CIntTest, TrueAndFalseTextsAreATypeMismatchLikeAnyOtherWord)
{
    for (const char* text : {"", " ", "abc", "12abc", "True", "False", "true", "1e", "1 2", "--5",
                             "(-5)", "(5", "1.2.3", ",5", "14:05", "12/8/1999", "$", "&H", "&HG"})
        EXPECT_EQ(errorOf([&] { CInt(s(text)); }), 13) << text;
}

TEST(CIntTest, NumbersAndTruthValues)
{
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-0.5), 0);
    EXPECT_EQ(CInt(-1.5), -2);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);
    EXPECT_EQ(CInt(true), -1);
    EXPECT_EQ(CInt(false), 0);
}

TEST(CLngTest, HasTheRangeOfALongAndRoundsHalfToEven)
{
    EXPECT_EQ(CLng(s("2147483647")), 2147483647);
    EXPECT_EQ(CLng(s("-2147483648")), -2147483647 - 1);
    EXPECT_EQ(CLng(s("32768")), 32768);
    EXPECT_EQ(CLng(s(" 1,500,000 ")), 1500000);
    EXPECT_EQ(CLng(s("4.5")), 4);
    EXPECT_EQ(CLng(s("&HFFFFFFFF")), -1);
    EXPECT_EQ(CLng(s("&H10000")), 65536);
    EXPECT_EQ(CLng(true), -1);
    EXPECT_EQ(errorOf([] { CLng(s("2147483648")); }), 6);
    EXPECT_EQ(errorOf([] { CLng(s("2147483647.5")); }), 6);
    EXPECT_EQ(errorOf([] { CLng(s("-2147483649")); }), 6);
    EXPECT_EQ(errorOf([] { CLng(s("")); }), 13);
    EXPECT_EQ(errorOf([] { CLng(s("False")); }), 13);
}

TEST(CByteTest, TakesZeroTo255AndTrueIs255)
{
    EXPECT_EQ(CByte(s("255")), 255);
    EXPECT_EQ(CByte(s("254.5")), 254);
    EXPECT_EQ(CByte(s("-0.4")), 0);
    EXPECT_EQ(CByte(s(" 2 ")), 2);
    EXPECT_EQ(CByte(true), 255);
    EXPECT_EQ(CByte(false), 0);
    for (const char* text : {"256", "-1", "255.5", "-0.6"})
        EXPECT_EQ(errorOf([&] { CByte(s(text)); }), 6) << text;
    EXPECT_EQ(errorOf([] { CByte(s("x")); }), 13);
}

TEST(CSngTest, KeepsSingleRangeAndPrecision)
{
    EXPECT_EQ(CSng(s("1.5")), 1.5f);
    EXPECT_EQ(CSng(s("0.1")), 0.1f);
    EXPECT_EQ(CSng(s("3.4e38")), 3.4e38f);
    EXPECT_EQ(CSng(true), -1.0f);
    EXPECT_EQ(errorOf([] { CSng(s("1e39")); }), 6);
    EXPECT_EQ(errorOf([] { CSng(1e39); }), 6);
    EXPECT_EQ(errorOf([] { CSng(s("one")); }), 13);
}

TEST(CDblTest, ReadsTheWholeTextAsARegionalNumber)
{
    EXPECT_EQ(CDbl(s(" 1.25 ")), 1.25);
    EXPECT_EQ(CDbl(s("1,234.5")), 1234.5);
    EXPECT_EQ(CDbl(s("1,5")), 15.0); // the comma groups thousands
    EXPECT_EQ(CDbl(s("-1.5E+3")), -1500.0);
    EXPECT_EQ(CDbl(s("1D2")), 100.0);
    EXPECT_EQ(CDbl(s("1e308")), 1e308);
    EXPECT_EQ(CDbl(s("1e-400")), 0.0);
    EXPECT_EQ(CDbl(true), -1.0);
    EXPECT_EQ(CDbl(7), 7.0);
    EXPECT_EQ(errorOf([] { CDbl(s("1e309")); }), 6);
    EXPECT_EQ(errorOf([] { CDbl(s("")); }), 13);
    EXPECT_EQ(errorOf([] { CDbl(s("1.5.")); }), 13);
}

TEST(CBoolTest, ReadsTruthWordsInAnyCaseAndNumbers)
{
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"True", true}, {"true", true}, {"TRUE", true}, {"False", false}, {"fAlSe", false},
        {"0", false},   {" 0 ", false}, {"0.0", false}, {"1", true},      {"-1", true},
        {"2", true},    {"0.4", true},  {"&H0", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CBool(s(c.text)), c.expected) << c.text;
    for (const char* text : {"", "yes", "Truth", "T", "1x"})
        EXPECT_EQ(errorOf([&] { CBool(s(text)); }), 13) << text;
    EXPECT_FALSE(CBool(0.0));
    EXPECT_TRUE(CBool(-1));
    EXPECT_TRUE(CBool(0.5));
}

TEST(CStrTest, WritesNumbersWithFifteenOrSevenDigitsAndTruthWords)
{
    const struct {
        QString got, expected;
    } cases[] = {
        {CStr(1.5), s("1.5")},
        {CStr(-1.5), s("-1.5")},
        {CStr(0.5), s("0.5")},
        {CStr(100.0), s("100")},
        {CStr(-0.0), s("0")},
        {CStr(1.0 / 3), s("0.333333333333333")},
        {CStr(999999999999999.0), s("999999999999999")},
        {CStr(1e15), s("1E+15")},
        {CStr(0.0001), s("0.0001")},
        {CStr(0.00001), s("1E-05")},
        {CStr(1.5e-7), s("1.5E-07")},
        {CStr(0.1f), s("0.1")},
        {CStr(16777216.0f), s("1.677722E+07")},
        {CStr(5), s("5")},
        {CStr(qint64(-7)), s("-7")},
        {CStr(true), s("True")},
        {CStr(false), s("False")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected);
}

TEST(VariantConversionTest, EmptyIsZeroAndEachHeldTypeConvertsAsItself)
{
    EXPECT_EQ(CInt(QVariant()), 0);
    EXPECT_EQ(CInt(QVariant(s(" 7 "))), 7);
    EXPECT_EQ(CInt(QVariant(true)), -1);
    EXPECT_EQ(CInt(QVariant(2.5)), 2);
    EXPECT_EQ(CLng(QVariant(qint64(70000))), 70000);
    EXPECT_EQ(CByte(QVariant(true)), 255);
    EXPECT_EQ(CSng(QVariant(s("0.5"))), 0.5f);
    EXPECT_EQ(CDbl(QVariant(false)), 0.0);
    EXPECT_FALSE(CBool(QVariant()));
    EXPECT_FALSE(CBool(QVariant(s("False"))));
    EXPECT_TRUE(CBool(QVariant(3)));
    EXPECT_EQ(CStr(QVariant()), QString());
    EXPECT_EQ(CStr(QVariant(true)), s("True"));
    EXPECT_EQ(CStr(QVariant(1.5)), s("1.5"));
    EXPECT_EQ(CStr(QVariant(42)), s("42"));
    EXPECT_EQ(CStr(QVariant(0.1f)), s("0.1"));
    EXPECT_EQ(CStr(QVariant(s("text"))), s("text"));

    EXPECT_EQ(errorOf([] { CLng(QVariant(qint64(1) << 40)); }), 6);
    EXPECT_EQ(errorOf([] { CDbl(QVariant(s("abc"))); }), 13);
    EXPECT_EQ(errorOf([] { CInt(QVariant(QDate(1999, 12, 8))); }), 13);
    EXPECT_EQ(errorOf([] { CStr(QVariant(QDate(1999, 12, 8))); }), 13);
}

TEST(IsNumericTest, AcceptsExactlyWhatCDblTakes)
{
    for (const char* text : {"5", " 5 ", "-5", "5-", "1,000.5", "$5", "(5)", "&H1F", "1e5", ".5", "5."})
        EXPECT_TRUE(IsNumeric(s(text))) << text;
    for (const char* text : {"", " ", "abc", "True", "12/8/1999", "9:05", "1e999", "-", ".", "1e", "5x"})
        EXPECT_FALSE(IsNumeric(s(text))) << text;
}
