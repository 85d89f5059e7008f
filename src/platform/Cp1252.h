#pragma once
// Text files of the machine are Windows-1252; Qt has no codec for it, so this is ours.
#include <QByteArray>
#include <QString>

namespace platform::cp1252 {
QString decode(const QByteArray& bytes);
// Characters that the code page cannot hold become "?".
QByteArray encode(const QString& text);
} // namespace platform::cp1252
