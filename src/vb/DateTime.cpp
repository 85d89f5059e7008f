#include "vb/DateTime.h"

#include "vb/Conversions.h"
#include "vb/Error.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace vb {

namespace {

std::optional<QDateTime>& fixedClock()
{
    static std::optional<QDateTime> clock;
    return clock;
}

const QDate kDayZero(1899, 12, 30);

// The number with at least `width` digits, zeros in front.
QString digits(int number, int width) { return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0')); }

// Runs of one pattern letter: how many of them stand at `i`, at most `max`.
int runLength(const QString& pattern, qsizetype i, int max)
{
    int n = 1;
    while (n < max && i + n < pattern.size() && pattern[i + n].toLower() == pattern[i].toLower())
        ++n;
    return n;
}

bool startsWithAt(const QString& pattern, qsizetype i, QLatin1StringView word)
{
    return QStringView(pattern).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// Two-digit years 0..29 are 2000..2029, 30..99 are 1930..1999.
int fullYear(const QString& digits)
{
    const int y = digits.toInt();
    if (digits.size() > 2)
        return y;
    return y < 30 ? 2000 + y : 1900 + y;
}

std::optional<QDate> dateOf(const QRegularExpressionMatch& m)
{
    const QString first = m.captured(1), second = m.captured(3), third = m.captured(4);
    int year, month, day;
    if (third.isEmpty()) {
        if (first.size() > 2)
            return std::nullopt;
        year = Now().date().year();
        month = first.toInt();
        day = second.toInt();
    } else if (first.size() > 2) {
        year = first.toInt();
        month = second.toInt();
        day = third.toInt();
    } else {
        month = first.toInt();
        day = second.toInt();
        year = fullYear(third);
    }
    if (month > 12 && day <= 12)
        std::swap(month, day);
    const QDate date(year, month, day);
    if (!date.isValid() || year < 100)
        return std::nullopt;
    return date;
}

std::optional<QTime> timeOf(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2}))? ?(?:([AaPp])[Mm]?)?$)"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int hour = m.captured(1).toInt();
    const QString half = m.captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == u"P" ? 12 : 0);
    }
    const QTime time(hour, m.captured(2).toInt(), m.captured(3).toInt());
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// A date serial: whole days since day 0, the fraction (taken without its sign) the time.
QDateTime dateOfSerial(double serial)
{
    if (!(serial >= -657434.0 && serial < 2958466.0)) // 1 January 100 .. 31 December 9999
        Raise(6);
    const double whole = std::trunc(serial);
    qint64 seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    QDate date = kDayZero.addDays(static_cast<qint64>(whole));
    if (seconds == 86400) {
        date = date.addDays(1);
        seconds = 0;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds * 1000)));
}

} // namespace

QDateTime Now()
{
    if (fixedClock())
        return *fixedClock();
    return QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
}

void SetClockForTesting(std::optional<QDateTime> now) { fixedClock() = std::move(now); }

int Day(const QDateTime& when) { return when.date().day(); }
int Month(const QDateTime& when) { return when.date().month(); }
int Year(const QDateTime& when) { return when.date().year(); }
int Hour(const QDateTime& when) { return when.time().hour(); }
int Minute(const QDateTime& when) { return when.time().minute(); }
int Second(const QDateTime& when) { return when.time().second(); }

QString TimeText() { return Format(Now(), QStringLiteral("h:nn:ss")); }
QString DateText() { return Format(Now(), QStringLiteral("mm-dd-yyyy")); }

QString Format(const QDateTime& when, const QString& pattern)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDate date = when.date();
    const QTime time = when.time();
    const bool twelveHour = pattern.contains(QLatin1StringView("am/pm"), Qt::CaseInsensitive)
        || pattern.contains(QLatin1StringView("a/p"), Qt::CaseInsensitive);
    const bool afternoon = time.hour() >= 12;

    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        const char16_t letter = c.toLower().unicode();
        int n = 1;
        bool hourToken = false;
        switch (letter) {
        case u'd':
            n = runLength(pattern, i, 4);
            out += n <= 2 ? digits(date.day(), n)
                          : english.dayName(date.dayOfWeek(), n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case u'm':
            n = runLength(pattern, i, 4);
            if (afterHour && n <= 2)
                out += digits(time.minute(), n);
            else
                out += n <= 2 ? digits(date.month(), n)
                              : english.monthName(date.month(), n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case u'y':
            n = runLength(pattern, i, 4);
            if (n == 3) // "yy", then "y"
                n = 2;
            out += n == 1 ? QString::number(date.dayOfYear()) : digits(n == 4 ? date.year() : date.year() % 100, n);
            break;
        case u'h': {
            n = runLength(pattern, i, 2);
            const int hour = twelveHour ? (time.hour() % 12 == 0 ? 12 : time.hour() % 12) : time.hour();
            out += digits(hour, n);
            hourToken = true;
            break;
        }
        case u'n':
            n = runLength(pattern, i, 2);
            out += digits(time.minute(), n);
            break;
        case u's':
            n = runLength(pattern, i, 2);
            out += digits(time.second(), n);
            break;
        case u'a':
            if (startsWithAt(pattern, i, QLatin1StringView("am/pm"))) {
                const QString half = afternoon ? QStringLiteral("PM") : QStringLiteral("AM");
                out += c.isUpper() ? half : half.toLower();
                n = 5;
            } else if (startsWithAt(pattern, i, QLatin1StringView("a/p"))) {
                const QChar half = afternoon ? u'P' : u'A';
                out += c.isUpper() ? half : half.toLower();
                n = 3;
            } else {
                out += c;
            }
            i += n;
            continue; // not a date part: the hour before it still counts
        case u'"': {
            const qsizetype close = pattern.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? pattern.size() : close;
            out += QStringView(pattern).mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        case u'\\':
            if (i + 1 < pattern.size())
                out += pattern[i + 1];
            i += 2;
            continue;
        default:
            out += c;
            ++i;
            continue;
        }
        afterHour = hourToken;
        i += n;
    }
    return out;
}

std::optional<QDateTime> CDateText(const QString& text)
{
    static const QRegularExpression datePattern(QStringLiteral(R"(^(\d{1,4})([/.-])(\d{1,2})(?:\2(\d{1,4}))?$)"));
    QString rest = text.simplified();
    if (rest.isEmpty())
        return std::nullopt;
    QDate date = kDayZero;
    const qsizetype blank = rest.indexOf(u' ');
    const auto m = datePattern.match(rest.left(blank));
    if (m.hasMatch()) {
        const auto d = dateOf(m);
        if (!d)
            return std::nullopt;
        date = *d;
        rest = blank < 0 ? QString() : rest.mid(blank + 1);
    }
    QTime time(0, 0);
    if (!rest.isEmpty()) {
        const auto t = timeOf(rest);
        if (!t)
            return std::nullopt;
        time = *t;
    }
    return QDateTime(date, time);
}

QString FormatText(const QString& value, const QString& pattern)
{
    if (IsNumeric(value))
        return Format(dateOfSerial(CDbl(value)), pattern);
    if (const auto when = CDateText(value))
        return Format(*when, pattern);
    return value;
}

QDateTime DateAdd(const QString& interval, int number, const QDateTime& date)
{
    const QString unit = interval.toLower();
    if (unit != u"d" && unit != u"y" && unit != u"w")
        Raise(5);
    const QDateTime result = date.addDays(number);
    if (result.date().year() < 100 || result.date().year() > 9999)
        Raise(5);
    return result;
}

int DateDiff(const QString& interval, const QDateTime& from, const QDateTime& to)
{
    const QString unit = interval.toLower();
    if (unit != u"d" && unit != u"y")
        Raise(5);
    return static_cast<int>(from.date().daysTo(to.date()));
}

} // namespace vb
