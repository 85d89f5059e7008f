#pragma once
// Dates and times as the programs use them on a US English system. A value is a local
// date and time to the second; a text with a time only stands for that time on
// 30 December 1899 (day 0), a text with a date only for midnight of that day.
#include <QDateTime>
#include <QString>
#include <optional>

namespace vb {

// The current date and time, to the second. Tests fix the clock with
// SetClockForTesting(value) and give it back to the system with std::nullopt.
QDateTime Now();
void SetClockForTesting(std::optional<QDateTime> now);

int Day(const QDateTime& when);
int Month(const QDateTime& when);
int Year(const QDateTime& when);
int Hour(const QDateTime& when);
int Minute(const QDateTime& when);
int Second(const QDateTime& when);

// Time as text, in the system's 24-hour format: "14:05:33", "9:05:33".
QString TimeText();
// Date$: month, day and four-digit year joined by "-" ("12-08-1999").
QString DateText();

// Format(date, pattern). Pattern letters, in either case: d dd ddd dddd (day, two-digit
// day, "Sun", "Sunday"), m mm mmm mmmm (month, two-digit month, "Dec", "December"),
// y (day of the year), yy yyyy, h hh, n nn (minutes), s ss, AM/PM am/pm A/P a/p (and
// then a 12-hour clock). An "m" or "mm" that follows an hour means minutes ("hh:mm").
// Text in double quotes and a character after "\" are copied; so is any other character.
QString Format(const QDateTime& when, const QString& pattern);

// A time text ("9:05:33", "14:05", "2:05:00 PM"), a date text in the US order
// ("12/8/1999", "12-08-99", "1999-12-08"; a first number above 12 is taken as the day),
// or a date followed by a time. std::nullopt for any other text.
std::optional<QDateTime> CDateText(const QString& text);

// Format(value, pattern) of a String value: a number is taken as a date (days since
// 30 December 1899, the fraction as the time of day), a date or time text is formatted,
// anything else comes back unchanged.
QString FormatText(const QString& value, const QString& pattern);

// Days only: the interval "d" (and "y", and for DateAdd "w", which count days too).
// DateDiff counts calendar days from `from` to `to`, whatever the times of day.
QDateTime DateAdd(const QString& interval, int number, const QDateTime& date);
int DateDiff(const QString& interval, const QDateTime& from, const QDateTime& to);

} // namespace vb
