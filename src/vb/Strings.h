#pragma once
// The string functions of the runtime. Positions are 1-based; comparisons are binary
// (case matters). A negative length or a position below 1 is an invalid procedure call
// (error 5). Character codes are those of the Windows-1252 code page.
#include <QString>

namespace vb {

int Len(const QString& text);
QString Left(const QString& text, int length);
QString Right(const QString& text, int length);
QString Mid(const QString& text, int start);
QString Mid(const QString& text, int start, int length);

// The position of `sought` in `text` from `start` on; 0 when it is absent. An empty
// `sought` is found at `start` (0 when `text` is empty or `start` lies beyond its end).
int InStr(const QString& text, const QString& sought);
int InStr(int start, const QString& text, const QString& sought);

// Blanks only; tabs and line ends stay.
QString Trim(const QString& text);
QString LTrim(const QString& text);
QString RTrim(const QString& text);

// Character by character, so the length never changes.
QString UCase(const QString& text);
QString LCase(const QString& text);

QString Space(int count);
// `count` times the first character of `character` ("" is error 5), or the character of
// a code (0 or more, taken modulo 256).
QString String(int count, const QString& character);
QString String(int count, int code);

QString Chr(int code);               // 0..255
int Asc(const QString& text);        // the code of the first character; "" is error 5

// Every occurrence of `find` replaced, left to right; an empty `find` changes nothing.
QString Replace(const QString& text, const QString& find, const QString& replacement);

} // namespace vb
