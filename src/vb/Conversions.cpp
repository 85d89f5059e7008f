#include "vb/Conversions.h"

#include "vb/Error.h"

#include <cmath>
#include <limits>
#include <optional>

namespace vb {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads an ASCII number text ("123.5e-3"); a magnitude beyond Double is an overflow,
// one below its smallest step is 0.
double decimalValue(const QString& ascii)
{
    bool ok = false;
    const double v = ascii.toDouble(&ok);
    if (std::isinf(v))
        Raise(6);
    return ok ? v : 0.0;
}

// A hexadecimal or octal number is an Integer when it fits 16 bits and a Long when it
// fits 32 (so "&HFFFF" is -1 and "&H10000" is 65536), unless `asLong` asks for a Long.
double radixValue(quint32 bits, bool asLong)
{
    if (bits <= 0xFFFFu && !asLong)
        return static_cast<qint16>(static_cast<quint16>(bits));
    return static_cast<qint32>(bits);
}

int digitValue(QChar c)
{
    const char16_t u = c.toUpper().unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Digits of `base` (8 or 16) from `i` on, advancing `i`; nullopt when there are none.
std::optional<quint32> radixDigits(QStringView s, qsizetype& i, int base)
{
    quint64 bits = 0;
    const qsizetype start = i;
    for (int d; i < s.size() && (d = digitValue(s[i])) >= 0 && d < base; ++i) {
        bits = bits * base + d;
        if (bits > 0xFFFFFFFFu)
            Raise(6);
    }
    if (i == start)
        return std::nullopt;
    return static_cast<quint32>(bits);
}

// An exponent ("E-5", "D12") at `i`: appended to `ascii` and skipped when digits follow
// the letter and its sign; otherwise nothing happens.
void readExponent(QStringView s, qsizetype& i, QString& ascii)
{
    if (i == s.size() || !QStringLiteral("eEdD").contains(s[i]))
        return;
    qsizetype j = i + 1;
    QString exponent = QStringLiteral("e");
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
        exponent += s[j++];
    if (j == s.size() || !isDigit(s[j]))
        return;
    for (; j < s.size() && isDigit(s[j]); ++j)
        exponent += s[j];
    ascii += exponent;
    i = j;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// The whole text as a number in the regional (US) form described in the header;
// nullopt when it is not one.
std::optional<double> parseNumber(QStringView s)
{
    qsizetype i = 0;
    qsizetype end = s.size();
    while (i < end && isBlank(s[i]))
        ++i;
    while (end > i && isBlank(s[end - 1]))
        --end;
    s = s.mid(i, end - i);
    i = 0;
    if (s.isEmpty())
        return std::nullopt;

    if (s.size() > 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind != u'H' && kind != u'O')
            return std::nullopt;
        i = 2;
        const auto bits = radixDigits(s, i, kind == u'H' ? 16 : 8);
        if (!bits || i != s.size())
            return std::nullopt;
        return radixValue(*bits, false);
    }

    bool sign = false, negative = false, paren = false, currency = false;
    const auto skipBlanks = [&] {
        while (i < s.size() && isBlank(s[i]))
            ++i;
    };
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if ((c == u'+' || c == u'-') && !sign) {
            sign = true;
            negative = c == u'-';
        } else if (c == u'(' && !paren) {
            paren = true;
        } else if (c == u'$' && !currency) {
            currency = true;
        } else if (!isBlank(c)) {
            break;
        }
    }

    QString ascii;
    bool digits = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            ascii += s[i];
            digits = true;
        } else if (s[i] != u',' || !digits) {
            break;
        }
    }
    if (i < s.size() && s[i] == u'.') {
        ascii += u'.';
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            ascii += s[i];
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    readExponent(s, i, ascii);

    skipBlanks();
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-') && !sign) {
        sign = true;
        negative = s[i] == u'-';
        ++i;
        skipBlanks();
    }
    if (paren) {
        if (sign || i == s.size() || s[i] != u')')
            return std::nullopt;
        negative = true;
        ++i;
    }
    if (i != s.size())
        return std::nullopt;
    const double v = decimalValue(ascii);
    return (negative ? -v : v) + 0.0;
}

double numberOrMismatch(const QString& text)
{
    const auto v = parseNumber(text);
    if (!v)
        Raise(13);
    return *v;
}

template <typename Whole>
Whole roundToWhole(double number)
{
    const double r = std::nearbyint(number); // the default rounding: half to even
    if (!(r >= std::numeric_limits<Whole>::min() && r <= std::numeric_limits<Whole>::max()))
        Raise(6);
    return static_cast<Whole>(r);
}

enum class VariantKind { Empty, Text, Truth, Number };

VariantKind kindOf(const QVariant& value)
{
    if (!value.isValid())
        return VariantKind::Empty;
    switch (value.typeId()) {
    case QMetaType::QString:
        return VariantKind::Text;
    case QMetaType::Bool:
        return VariantKind::Truth;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return VariantKind::Number;
    default:
        Raise(13);
    }
}

// Empty counts as 0, a string is read as text, a truth value as True/False, any number
// as a Double.
template <typename R, typename FromText, typename FromBool, typename FromNumber>
R fromVariant(const QVariant& value, FromText fromText, FromBool fromBool, FromNumber fromNumber)
{
    switch (kindOf(value)) {
    case VariantKind::Empty:
        return fromNumber(0.0);
    case VariantKind::Text:
        return fromText(value.toString());
    case VariantKind::Truth:
        return fromBool(value.toBool());
    case VariantKind::Number:
        break;
    }
    return fromNumber(value.toDouble());
}

// Str drops the zero in front of the point: " .5", "-.25".
QString withoutLeadingZero(QString text)
{
    if (text.startsWith(QStringLiteral("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QStringLiteral("-0.")))
        text.remove(1, 1);
    return text;
}

QString signBlank(double number, const QString& text) { return number < 0 ? text : u' ' + text; }

} // namespace

QString Str(qint64 number) { return number < 0 ? QString::number(number) : u' ' + QString::number(number); }
QString Str(double number) { return signBlank(number, withoutLeadingZero(CStr(number))); }
QString Str(float number) { return signBlank(number, withoutLeadingZero(CStr(number))); }

QString PrintNumber(qint64 number) { return Str(number) + u' '; }

double Val(const QString& text)
{
    QString s;
    for (const QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n')
            s += c;

    qsizetype i = 0;
    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind != u'H' && kind != u'O')
            return 0.0;
        i = 2;
        const auto bits = radixDigits(s, i, kind == u'H' ? 16 : 8);
        if (!bits)
            return 0.0;
        return radixValue(*bits, i < s.size() && s[i] == u'&');
    }

    QString ascii;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ascii += s[i++];
    bool digits = false;
    for (; i < s.size() && isDigit(s[i]); ++i, digits = true)
        ascii += s[i];
    if (i < s.size() && s[i] == u'.') {
        ascii += s[i++];
        for (; i < s.size() && isDigit(s[i]); ++i, digits = true)
            ascii += s[i];
    }
    if (!digits)
        return 0.0;
    readExponent(s, i, ascii);
    return decimalValue(ascii) + 0.0;
}

qint16 CInt(double number) { return roundToWhole<qint16>(number); }
qint16 CInt(const QString& text) { return CInt(numberOrMismatch(text)); }
qint16 CInt(const QVariant& value)
{
    return fromVariant<qint16>(
        value, [](const QString& t) { return CInt(t); }, [](bool b) { return CInt(b); },
        [](double d) { return CInt(d); });
}

qint32 CLng(double number) { return roundToWhole<qint32>(number); }
qint32 CLng(const QString& text) { return CLng(numberOrMismatch(text)); }
qint32 CLng(const QVariant& value)
{
    return fromVariant<qint32>(
        value, [](const QString& t) { return CLng(t); }, [](bool b) { return CLng(b); },
        [](double d) { return CLng(d); });
}

quint8 CByte(double number) { return roundToWhole<quint8>(number); }
quint8 CByte(const QString& text) { return CByte(numberOrMismatch(text)); }
quint8 CByte(const QVariant& value)
{
    return fromVariant<quint8>(
        value, [](const QString& t) { return CByte(t); }, [](bool b) { return CByte(b); },
        [](double d) { return CByte(d); });
}

float CSng(double number)
{
    if (std::isfinite(number) && std::isinf(static_cast<float>(number)))
        Raise(6);
    return static_cast<float>(number);
}
float CSng(const QString& text) { return CSng(numberOrMismatch(text)); }
float CSng(const QVariant& value)
{
    return fromVariant<float>(
        value, [](const QString& t) { return CSng(t); }, [](bool b) { return CSng(b); },
        [](double d) { return CSng(d); });
}

double CDbl(const QString& text) { return numberOrMismatch(text); }
double CDbl(const QVariant& value)
{
    return fromVariant<double>(
        value, [](const QString& t) { return CDbl(t); }, [](bool b) { return b ? -1.0 : 0.0; },
        [](double d) { return d; });
}

bool CBool(double number) { return number != 0.0; }
bool CBool(const QString& text)
{
    if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    return CBool(numberOrMismatch(text));
}
bool CBool(const QVariant& value)
{
    return fromVariant<bool>(
        value, [](const QString& t) { return CBool(t); }, [](bool b) { return b; },
        [](double d) { return CBool(d); });
}

QString CStr(double number) { return QString::number(number + 0.0, 'G', 15); }
QString CStr(float number) { return QString::number(static_cast<double>(number) + 0.0, 'G', 7); }
QString CStr(const QVariant& value)
{
    switch (kindOf(value)) {
    case VariantKind::Empty:
        return {};
    case VariantKind::Text:
        return value.toString();
    case VariantKind::Truth:
        return CStr(value.toBool());
    case VariantKind::Number:
        break;
    }
    if (value.typeId() == QMetaType::Float)
        return CStr(value.toFloat());
    if (value.typeId() == QMetaType::Double)
        return CStr(value.toDouble());
    return value.toString(); // a whole number
}

bool IsNumeric(const QString& text)
{
    try {
        return parseNumber(text).has_value();
    } catch (const Error&) {
        return false; // too large for a Double
    }
}

} // namespace vb
