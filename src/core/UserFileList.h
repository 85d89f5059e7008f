#pragma once
// The user-defined file list of the user-file window and its file trelvo.usr. It lives here,
// below the window (src/ui), because the save engine (src/backup) reads and writes it too.
#include <QString>
#include <QStringList>

namespace core {

// The error ReadListFile gives a file whose first line is no count: no list the program wrote.
constexpr int kListDamaged = 13;

// The entries of a list file (trelvo.usr, Config<n>.usr): the first line is the entry count,
// which the entries say again and which is not trusted; every further non-empty line is one
// entry, taken whole. Raises the run-time error that keeps the file from being read as a
// list: 53 when it is not there; the error of opening or reading it when it cannot be read
// (a folder or a dangling link in its place); 62 (input past end of file) for an empty file
// unless `mayBeEmpty`; kListDamaged when its first line is no number.
QStringList ReadListFile(const QString& path, bool mayBeEmpty);

// The path of trelvo.usr.
QString UserFileListFile();

// Fills UserFiles.List1 from the program folder's trelvo.usr (ReadListFile); then the frame
// above the list shows the number of entries. 0 when the list was read or there is no file
// (an empty list); otherwise the list stays empty, the frame's caption as it was, and the
// answer is the error that kept the file from being read.
int LoadUserFileList();

// Writes UserFiles.List1 to the program folder's trelvo.usr: the entry count (" 3"), one
// entry a line, then an empty line. The file is replaced whole; when that fails it stays as
// it was, the failure is logged and told (Notice), and the result is false.
bool SaveUserFileList();

} // namespace core
