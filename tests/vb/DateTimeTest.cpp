// Dates and times: the fixed clock, the time and date texts the settings store, Format
// patterns, reading date and time texts back, and counting days.
#include "support/Errors.h"
#include "vb/DateTime.h"
#include "vb/Error.h"

#include <functional>
#include <gtest/gtest.h>

using namespace vb;
using testsupport::errorOf;

namespace {


QString s(const char* text) { return QString::fromUtf8(text); }

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int sec = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, sec));
}

// 8 December 1999, a Wednesday, 14:05:33.
class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override { SetClockForTesting(at(1999, 12, 8, 14, 5, 33)); }
    void TearDown() override { SetClockForTesting(std::nullopt); }
};

} // namespace

TEST_F(DateTimeTest, TheFixedClockAnswersNowAndItsParts)
{
    const QDateTime now = Now();
    EXPECT_EQ(now, at(1999, 12, 8, 14, 5, 33));
    EXPECT_EQ(Day(now), 8);
    EXPECT_EQ(Month(now), 12);
    EXPECT_EQ(Year(now), 1999);
    EXPECT_EQ(Hour(now), 14);
    EXPECT_EQ(Minute(now), 5);
    EXPECT_EQ(Second(now), 33);
}

TEST(ClockTest, WithoutAFixedClockNowIsTheSystemTimeToTheSecond)
{
    SetClockForTesting(std::nullopt);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QDateTime now = Now();
    EXPECT_EQ(now.time().msec(), 0);
    EXPECT_GE(now, before);
    EXPECT_LE(now, QDateTime::currentDateTime());
}

TEST_F(DateTimeTest, TimeTextIsTwentyFourHourWithoutALeadingZeroAndDateTextIsMonthDayYear)
{
    EXPECT_EQ(TimeText(), s("14:05:33"));
    EXPECT_EQ(DateText(), s("12-08-1999"));
    SetClockForTesting(at(2026, 7, 9, 9, 5, 3));
    EXPECT_EQ(TimeText(), s("9:05:03"));
    EXPECT_EQ(DateText(), s("07-09-2026"));
    SetClockForTesting(at(2000, 1, 1));
    EXPECT_EQ(TimeText(), s("0:00:00"));
}

TEST_F(DateTimeTest, FormatPatterns)
{
    const QDateTime afternoon = at(1999, 12, 8, 14, 5, 33);
    const QDateTime morning = at(2026, 7, 9, 9, 5, 3);
    const struct {
        QDateTime when;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {afternoon, "mm-dd-yyyy", "12-08-1999"},
        {afternoon, "hh:mm", "14:05"},
        {afternoon, "hh:mm:ss", "14:05:33"},
        {afternoon, "dd.mm.yyyy", "08.12.1999"},
        {afternoon, "d/m/yyyy", "8/12/1999"},
        {afternoon, "HH:MM", "14:05"},
        {afternoon, "hh mm", "14 05"},      // minutes after an hour, also across literals
        {afternoon, "mm/dd/yy hh:mm", "12/08/99 14:05"},
        {afternoon, "dd mm", "08 12"},      // months everywhere else
        {afternoon, "h:nn", "14:05"},
        {afternoon, "ddd d mmm yyyy", "Wed 8 Dec 1999"},
        {afternoon, "dddd, mmmm", "Wednesday, December"},
        {afternoon, "h:mm AM/PM", "2:05 PM"},
        {afternoon, "hh:mm am/pm", "02:05 pm"},
        {afternoon, "h:mm a/p", "2:05 p"},
        {morning, "d/m/yy", "9/7/26"},
        {morning, "dd.mm.yyyy", "09.07.2026"},
        {morning, "h:n:s", "9:5:3"},
        {morning, "hh:nn:ss", "09:05:03"},
        {morning, "hh:mm", "09:05"},
        {morning, "m/d/yyyy h:mm", "7/9/2026 9:05"},
        {morning, "y", "190"},
        {morning, "yyy", "26190"},
        {morning, "\"at\" hh", "at 09"},
        {morning, "\\h hh", "h 09"},
        {at(2000, 1, 1, 0, 0), "h:mm AM/PM", "12:00 AM"},
        {at(2000, 1, 1, 12, 0), "h:mm AM/PM", "12:00 PM"},
        {at(2000, 1, 1, 0, 7), "hh:mm", "00:07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(c.when, s(c.pattern)), s(c.expected)) << c.pattern;
}

TEST_F(DateTimeTest, CDateTextReadsTimesDatesAndBoth)
{
    const QDate dayZero(1899, 12, 30);
    const struct {
        const char* text;
        QDateTime expected;
    } cases[] = {
        {"9:05:33", QDateTime(dayZero, QTime(9, 5, 33))},
        {" 9:05:33 ", QDateTime(dayZero, QTime(9, 5, 33))},
        {"14:05", QDateTime(dayZero, QTime(14, 5))},
        {"00:00", QDateTime(dayZero, QTime(0, 0))},
        {"2:05:00 PM", QDateTime(dayZero, QTime(14, 5))},
        {"2:05pm", QDateTime(dayZero, QTime(14, 5))},
        {"12:30 AM", QDateTime(dayZero, QTime(0, 30))},
        {"12:30 PM", QDateTime(dayZero, QTime(12, 30))},
        {"11:59:59 p", QDateTime(dayZero, QTime(23, 59, 59))},
        {"12/8/1999", at(1999, 12, 8)},
        {"12-08-1999", at(1999, 12, 8)},
        {"12.08.1999", at(1999, 12, 8)},
        {"12/8/99", at(1999, 12, 8)},
        {"1/2/29", at(2029, 1, 2)},
        {"1/2/30", at(1930, 1, 2)},
        {"1999-12-08", at(1999, 12, 8)},
        {"13/12/1999", at(1999, 12, 13)},   // no 13th month: day first
        {"12/8", at(1999, 12, 8)},          // this year
        {"12/8/1999 14:05:33", at(1999, 12, 8, 14, 5, 33)},
        {"12/8/1999 2:05 PM", at(1999, 12, 8, 14, 5)},
    };
    for (const auto& c : cases) {
        const auto got = CDateText(s(c.text));
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_EQ(*got, c.expected) << c.text;
    }
    for (const char* text : {"", "  ", "abc", "5", "25:00", "9:60", "9:05:60", "13:00 PM", "2/30/1999",
                             "13/13/1999", "9:05:33x", "12/8/1999x", "12/8-1999", "12/8/1999 x", "True"})
        EXPECT_FALSE(CDateText(s(text)).has_value()) << text;
}

TEST_F(DateTimeTest, FormatTextFormatsDateAndTimeTextsAndNumbersAndKeepsOtherText)
{
    const struct {
        const char* value;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {"9:05:33", "hh:mm", "09:05"},
        {"14:05:33", "hh:mm", "14:05"},
        {"00:00", "hh:mm", "00:00"},
        {"2:05:00 PM", "hh:mm", "14:05"},
        {"12/8/1999", "dd.mm.yyyy", "08.12.1999"},
        {"12/8/1999 14:05:33", "d/m/yyyy hh:mm", "8/12/1999 14:05"},
        {"9:05:33", "dd.mm.yyyy", "30.12.1899"},
        {"0.5", "hh:mm", "12:00"},
        {"1", "dd.mm.yyyy", "31.12.1899"},
        {"-1.25", "dd.mm.yyyy hh:mm", "29.12.1899 06:00"},
        {"36502.5", "dd.mm.yyyy hh:mm", "08.12.1999 12:00"},
        {"True", "hh:mm", "True"},
        {"available", "hh:mm", "available"},
        {"", "hh:mm", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatText(s(c.value), s(c.pattern)), s(c.expected)) << c.value << " / " << c.pattern;
    EXPECT_EQ(errorOf([] { FormatText(s("1e10"), s("hh:mm")); }), 6);
}

TEST(DateAddDiffTest, CountWholeCalendarDays)
{
    EXPECT_EQ(DateAdd(s("d"), 1, at(1999, 12, 31, 10, 0)), at(2000, 1, 1, 10, 0));
    EXPECT_EQ(DateAdd(s("d"), -1, at(2000, 3, 1)), at(2000, 2, 29));
    EXPECT_EQ(DateAdd(s("D"), 30, at(1999, 12, 8)), at(2000, 1, 7));
    EXPECT_EQ(DateAdd(s("y"), 2, at(1999, 12, 8)), at(1999, 12, 10));
    EXPECT_EQ(DateAdd(s("d"), 0, at(1999, 12, 8, 1, 2, 3)), at(1999, 12, 8, 1, 2, 3));

    EXPECT_EQ(DateDiff(s("d"), at(1999, 12, 8, 23, 59), at(1999, 12, 9, 0, 1)), 1);
    EXPECT_EQ(DateDiff(s("d"), at(1999, 12, 9, 0, 1), at(1999, 12, 8, 23, 59)), -1);
    EXPECT_EQ(DateDiff(s("d"), at(1999, 12, 8, 0, 0), at(1999, 12, 8, 23, 59)), 0);
    EXPECT_EQ(DateDiff(s("d"), at(1999, 12, 8), at(2000, 3, 1)), 84);
    EXPECT_EQ(DateDiff(s("D"), at(2000, 3, 1), at(1999, 12, 8)), -84);

    EXPECT_EQ(errorOf([] { DateAdd(s("m"), 1, at(1999, 12, 8)); }), 5);
    EXPECT_EQ(errorOf([] { DateAdd(s("d"), 1, at(9999, 12, 31)); }), 5);
    EXPECT_EQ(errorOf([] { DateDiff(s("m"), at(1999, 12, 8), at(2000, 1, 8)); }), 5);
}
