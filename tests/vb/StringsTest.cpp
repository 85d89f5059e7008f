// The string functions with 1-based positions, their edge cases and error numbers.
#include "support/Errors.h"
#include "vb/Error.h"
#include "vb/Strings.h"

#include <functional>
#include <gtest/gtest.h>

using namespace vb;
using testsupport::errorOf;

namespace {


QString s(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(LeftRightMidTest, CutByOneBasedPositionsAndClampToTheText)
{
    const struct {
        QString got, expected;
    } cases[] = {
        {Left(s("Hello"), 2), s("He")},
        {Left(s("Hello"), 0), s("")},
        {Left(s("Hello"), 10), s("Hello")},
        {Left(s(""), 3), s("")},
        {Right(s("Hello"), 3), s("llo")},
        {Right(s("Hello"), 0), s("")},
        {Right(s("Hello"), 10), s("Hello")},
        {Mid(s("Hello"), 1), s("Hello")},
        {Mid(s("Hello"), 2), s("ello")},
        {Mid(s("Hello"), 5), s("o")},
        {Mid(s("Hello"), 6), s("")},
        {Mid(s("Hello"), 9), s("")},
        {Mid(s("Hello"), 2, 3), s("ell")},
        {Mid(s("Hello"), 4, 10), s("lo")},
        {Mid(s("Hello"), 1, 0), s("")},
        {Mid(s("Hello"), 7, 2), s("")},
        {Mid(s(" 8/12/1999"), 4, 2), s("12")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected);
}

TEST(LeftRightMidTest, NegativeLengthsAndPositionsBelowOneAreInvalidCalls)
{
    EXPECT_EQ(errorOf([] { Left(s("abc"), -1); }), 5);
    EXPECT_EQ(errorOf([] { Right(s("abc"), -1); }), 5);
    EXPECT_EQ(errorOf([] { Mid(s("abc"), 0); }), 5);
    EXPECT_EQ(errorOf([] { Mid(s("abc"), 0, 1); }), 5);
    EXPECT_EQ(errorOf([] { Mid(s("abc"), 1, -1); }), 5);
}

TEST(InStrTest, FindsFromTheStartPositionAndGivesZeroWhenAbsent)
{
    const struct {
        int got, expected;
    } cases[] = {
        {InStr(s("Hello"), s("l")), 3},
        {InStr(s("Hello"), s("lo")), 4},
        {InStr(s("Hello"), s("z")), 0},
        {InStr(s("Hello"), s("L")), 0}, // binary comparison
        {InStr(s("Hello"), s("Hello!")), 0},
        {InStr(4, s("Hello"), s("l")), 4},
        {InStr(5, s("Hello"), s("l")), 0},
        {InStr(99, s("Hello"), s("l")), 0},
        {InStr(s("C:\\WINDOWS\\"), s("\\")), 3},
        {InStr(s("Hello"), s("")), 1},
        {InStr(3, s("Hello"), s("")), 3},
        {InStr(6, s("Hello"), s("")), 6},
        {InStr(7, s("Hello"), s("")), 0},
        {InStr(s(""), s("")), 0},
        {InStr(s(""), s("a")), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected);
    EXPECT_EQ(errorOf([] { InStr(0, s("abc"), s("a")); }), 5);
}

TEST(LenTest, CountsCharacters)
{
    EXPECT_EQ(Len(s("")), 0);
    EXPECT_EQ(Len(s("abc")), 3);
    EXPECT_EQ(Len(s("\r\n")), 2);
}

TEST(TrimTest, RemovesBlanksButNotTabs)
{
    EXPECT_EQ(Trim(s("  a b  ")), s("a b"));
    EXPECT_EQ(Trim(s("   ")), s(""));
    EXPECT_EQ(Trim(s("")), s(""));
    EXPECT_EQ(Trim(s("\ta\t")), s("\ta\t"));
    EXPECT_EQ(Trim(s(" \r\n ")), s("\r\n"));
    EXPECT_EQ(LTrim(s("  a ")), s("a "));
    EXPECT_EQ(RTrim(s("  a ")), s("  a"));
}

TEST(CaseTest, ChangesCaseCharacterByCharacter)
{
    EXPECT_EQ(UCase(s("abc xyz 1!")), s("ABC XYZ 1!"));
    EXPECT_EQ(LCase(s("ABC Xyz")), s("abc xyz"));
    EXPECT_EQ(LCase(s("ÄÖÜ")), s("äöü"));
    EXPECT_EQ(UCase(s("straße")), s("STRAßE")); // no expansion to "SS"
    EXPECT_EQ(UCase(s("ÿ")), s("Ÿ"));
}

TEST(SpaceAndStringTest, RepeatACharacter)
{
    EXPECT_EQ(Space(3), s("   "));
    EXPECT_EQ(Space(0), s(""));
    EXPECT_EQ(String(3, s("xyz")), s("xxx"));
    EXPECT_EQ(String(0, s("x")), s(""));
    EXPECT_EQ(String(2, 65), s("AA"));
    EXPECT_EQ(String(2, 321), s("AA")); // 321 mod 256
    EXPECT_EQ(String(1, 128), s("€"));
    EXPECT_EQ(errorOf([] { Space(-1); }), 5);
    EXPECT_EQ(errorOf([] { String(-1, s("x")); }), 5);
    EXPECT_EQ(errorOf([] { String(2, s("")); }), 5);
    EXPECT_EQ(errorOf([] { String(2, -1); }), 5);
}

TEST(ChrAscTest, UseTheWindows1252CodePage)
{
    const struct {
        int code;
        char16_t character;
    } cases[] = {{65, u'A'}, {13, u'\r'}, {0, u'\0'}, {128, u'€'}, {150, u'–'}, {233, u'é'}, {255, u'ÿ'}};
    for (const auto& c : cases) {
        const QString ch(QChar(c.character));
        EXPECT_EQ(Chr(c.code), ch) << c.code;
        EXPECT_EQ(Asc(ch), c.code) << c.code;
    }
    EXPECT_EQ(Asc(s("abc")), 97);
    EXPECT_EQ(Asc(s("一")), 63); // not in the code page: "?"
    EXPECT_EQ(errorOf([] { Chr(256); }), 5);
    EXPECT_EQ(errorOf([] { Chr(-1); }), 5);
    EXPECT_EQ(errorOf([] { Asc(s("")); }), 5);
}

TEST(ReplaceTest, ReplacesEveryOccurrenceLeftToRight)
{
    EXPECT_EQ(Replace(s("a.b.c"), s("."), s("\\")), s("a\\b\\c"));
    EXPECT_EQ(Replace(s("aaa"), s("aa"), s("b")), s("ba"));
    EXPECT_EQ(Replace(s("abcabc"), s("bc"), s("")), s("aa"));
    EXPECT_EQ(Replace(s("abc"), s(""), s("x")), s("abc"));
    EXPECT_EQ(Replace(s(""), s("a"), s("b")), s(""));
    EXPECT_EQ(Replace(s("ABC"), s("b"), s("x")), s("ABC"));
}
