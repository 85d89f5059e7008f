#pragma once
// Texts of the program's message catalogue, by number.
#include <QString>

namespace core {

// The text of message `number` from the catalogue, or from the program's own added texts
// (2101 on); run-time error 326 when neither has one.
QString LoadResString(int number);

// The program folder on the machine ("C:\Program Files\Trelvo", no trailing "\").
QString ProgramFolder();

// Makes the program folder the current folder and its drive the current drive.
void MakeProgramFolderCurrent();

} // namespace core
