#include "platform/Cp1252.h"

namespace platform::cp1252 {

// 0x80..0x9F; 0 marks the five positions the code page leaves undefined
// (decoded as the C1 control of the same number, as the system does).
static const char16_t kHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

QString decode(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80])
            d[i] = QChar(kHigh[b - 0x80]);
        else
            d[i] = QChar(b);
    }
    return out;
}

// The code page's byte for a character, or -1 when it has none.
static int byteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF) || (c >= 0x80 && c <= 0x9F && !kHigh[c - 0x80]))
        return c;
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == c)
            return 0x80 + k;
    return -1;
}

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.resize(text.size());
    char* d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = byteOf(text[i].unicode());
        d[i] = b < 0 ? '?' : char(b);
    }
    return out;
}

bool canHold(const QString& text)
{
    for (const QChar c : text)
        if (byteOf(c.unicode()) < 0)
            return false;
    return true;
}

} // namespace platform::cp1252
