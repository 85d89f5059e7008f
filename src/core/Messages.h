#pragma once
// Texts of the program's message catalogue, by number.
#include <QString>

namespace core {

// The text of message `number`; run-time error 326 when the catalogue has none.
QString LoadResString(int number);

// The program folder on the machine ("C:\Program Files\Trelvo", no trailing "\").
QString ProgramFolder();

// Makes the program folder the current folder and its drive the current drive.
void MakeProgramFolderCurrent();

} // namespace core
