#pragma once
// Numbers, truth values and their texts, as the programs' statements expect them on a
// US English system.
//
// Two families read numbers from text:
// - Val reads the longest number at the start of a text, never fails, and always uses
//   "." as the decimal point; blanks, tabs and line feeds are skipped wherever they stand.
// - CInt, CLng, CByte, CSng, CDbl, CBool and IsNumeric take the whole text as a number
//   in the regional form: blanks around it, a sign before or after it, "$", thousands
//   commas, a decimal point, an exponent (E or D), "&H"/"&O" prefixes, or parentheses for
//   a negative amount. Any other text is a type mismatch (error 13), also "True" and
//   "False": only CBool reads the truth words. Whole-number results round half to even
//   ("2.5" gives 2, "3.5" gives 4); a result outside the type's range is an overflow (6).
//
// A QVariant holds what a Variant holds; an invalid QVariant is Empty (0, False, "").
#include <QString>
#include <QVariant>
#include <concepts>

namespace vb {

// Str: the number with a blank in front when it is not negative (" 5", "-5", " 1.5");
// fractions lose the zero before the point (" .5").
QString Str(qint64 number);
QString Str(double number);
QString Str(float number);
template <std::integral I>
    requires(!std::same_as<I, bool>)
QString Str(I number)
{
    return Str(static_cast<qint64>(number));
}

// What Print # writes for a number: the blank or "-", the digits and one blank (" 0 ").
QString PrintNumber(qint64 number);

double Val(const QString& text);

qint16 CInt(double number);
qint16 CInt(const QString& text);
qint16 CInt(const QVariant& value);
template <std::same_as<bool> B>
qint16 CInt(B value)
{
    return value ? -1 : 0;
}

qint32 CLng(double number);
qint32 CLng(const QString& text);
qint32 CLng(const QVariant& value);
template <std::same_as<bool> B>
qint32 CLng(B value)
{
    return value ? -1 : 0;
}

// True gives 255: the truth value's bits.
quint8 CByte(double number);
quint8 CByte(const QString& text);
quint8 CByte(const QVariant& value);
template <std::same_as<bool> B>
quint8 CByte(B value)
{
    return value ? 255 : 0;
}

float CSng(double number);
float CSng(const QString& text);
float CSng(const QVariant& value);
template <std::same_as<bool> B>
float CSng(B value)
{
    return value ? -1.0f : 0.0f;
}

double CDbl(const QString& text);
double CDbl(const QVariant& value); // numbers and truth values too: CDbl(True) is -1

// "True"/"False" in any case, or a number (0 is False).
bool CBool(double number);
bool CBool(const QString& text);
bool CBool(const QVariant& value);

// "True"/"False", "-1.5", "0.5"; Double keeps 15 significant digits, Single 7, and
// larger or smaller magnitudes are written with an exponent ("1E+15", "1E-05").
QString CStr(double number);
QString CStr(float number);
template <std::integral I>
QString CStr(I value)
{
    if constexpr (std::same_as<I, bool>)
        return value ? QStringLiteral("True") : QStringLiteral("False");
    else
        return QString::number(value);
}
QString CStr(const QVariant& value);

// Whether CDbl would take the text.
bool IsNumeric(const QString& text);

} // namespace vb
