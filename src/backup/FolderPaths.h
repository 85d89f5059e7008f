#pragma once
// Folder creation along a path, the last component of a path, and the texts of the
// file-error messages that the floppy and folder procedures show.
#include <QString>

namespace backup {

// Creates every missing folder along `path` up to its last "\". Failures are shown
// (file-error text, the number and " Makepath") and the walk goes on.
void Makepath(const QString& path);

// The same walk, but the first failure raises its run-time error instead of being shown.
void MakeFolders(const QString& path);

// The text after the last "\" (or after a ":" when no "\" is left).
QString GetFileName(QString path);

// Message 2000..2011 for the run-time errors 52, 53, 54, 55, 57, 58, 61, 67, 68, 70,
// 71 and 75; "" for any other number.
QString FileErrorText(int errorNumber);

} // namespace backup
