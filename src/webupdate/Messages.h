#pragma once
// Texts of the update program's message catalogue, by number.
#include <QString>

namespace webupdate {

// The text of message `number`; run-time error 326 when the catalogue has none.
QString LoadResString(int number);

// Carriage return alone: the line break of the wizard's texts.
inline const QString CR = QStringLiteral("\r");

} // namespace webupdate
