#pragma once
// One value of an INI file read or written, and the error log.
#include <QString>

namespace core {

// The buffer a value is read into: at most 254 characters and the end.
constexpr int kIniValueSize = 255;

// The value of `key` in `section` of `file`: at most 254 characters, "" when the file,
// section or key is missing.
QString ReadIni(const QString& section, const QString& key, const QString& file);

// Writes one value; the result is nonzero on success (no caller looks at it).
int WriteIni(const QString& section, const QString& key, const QString& value, const QString& file);

// The run-time error of the last WriteIni that failed (61 on a full disk; 75 when the file
// layer names none).
int WriteIniError();

// Appends one line to Error.log in the program folder: the error's text, the date as
// mm-dd-yyyy and the tag, with nothing between them. A log over 5000 bytes is deleted
// first. Leaves the program folder current; never raises and never shows anything.
void ErrorLog(int errorNumber, const QString& tag);

} // namespace core
