#pragma once
// The user-defined file list of the user-file window and its file trelvo.usr.
namespace core {

// Fills UserFiles.List1 from the program folder's trelvo.usr: the first line (the entry
// count) is skipped, every further non-empty line is one entry. Then the frame above the
// list shows the number of entries. A missing or unreadable file leaves the list with
// what was read so far (empty for a missing file) and the frame's caption as it was.
void LoadUserFileList();

// Writes UserFiles.List1 to the program folder's trelvo.usr: the entry count (" 3"), one
// entry a line, then an empty line. The file is replaced whole; when that fails it stays as
// it was, the failure is logged and told (Notice), and the result is false.
bool SaveUserFileList();

} // namespace core
