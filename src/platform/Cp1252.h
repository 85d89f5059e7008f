#pragma once
// Text files of the machine are Windows-1252; Qt has no codec for it, so this is ours.
#include <QByteArray>
#include <QString>

namespace platform::cp1252 {
QString decode(const QByteArray& bytes);
// Characters that the code page cannot hold become "?".
QByteArray encode(const QString& text);
// True when every character of the text is one of the code page's.
bool canHold(const QString& text);
} // namespace platform::cp1252
