#include "vb/Strings.h"

#include "platform/Cp1252.h"
#include "vb/Error.h"

namespace vb {

namespace {

void requireNotNegative(int number)
{
    if (number < 0)
        Raise(5);
}

} // namespace

int Len(const QString& text) { return static_cast<int>(text.size()); }

QString Left(const QString& text, int length)
{
    requireNotNegative(length);
    return text.left(length);
}

QString Right(const QString& text, int length)
{
    requireNotNegative(length);
    return text.right(length);
}

QString Mid(const QString& text, int start)
{
    if (start < 1)
        Raise(5);
    return text.mid(start - 1);
}

QString Mid(const QString& text, int start, int length)
{
    if (start < 1)
        Raise(5);
    requireNotNegative(length);
    return text.mid(start - 1, length);
}

int InStr(const QString& text, const QString& sought) { return InStr(1, text, sought); }

int InStr(int start, const QString& text, const QString& sought)
{
    if (start < 1)
        Raise(5);
    if (text.isEmpty() || start > text.size() + 1)
        return 0;
    if (sought.isEmpty())
        return start;
    return static_cast<int>(text.indexOf(sought, start - 1)) + 1;
}

QString LTrim(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.mid(i);
}

QString RTrim(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return text.left(end);
}

QString Trim(const QString& text) { return LTrim(RTrim(text)); }

QString UCase(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = c.toUpper();
    return out;
}

QString LCase(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = c.toLower();
    return out;
}

QString Space(int count)
{
    requireNotNegative(count);
    return QString(count, u' ');
}

QString String(int count, const QString& character)
{
    requireNotNegative(count);
    if (character.isEmpty())
        Raise(5);
    return QString(count, character[0]);
}

QString String(int count, int code)
{
    requireNotNegative(count);
    requireNotNegative(code);
    return QString(count, Chr(code % 256)[0]);
}

QString Chr(int code)
{
    if (code < 0 || code > 255)
        Raise(5);
    return platform::cp1252::decode(QByteArray(1, static_cast<char>(code)));
}

int Asc(const QString& text)
{
    if (text.isEmpty())
        Raise(5);
    return static_cast<unsigned char>(platform::cp1252::encode(text.left(1)).at(0));
}

QString Replace(const QString& text, const QString& find, const QString& replacement)
{
    if (find.isEmpty())
        return text;
    return QString(text).replace(find, replacement, Qt::CaseSensitive);
}

} // namespace vb
