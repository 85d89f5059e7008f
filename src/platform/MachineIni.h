#pragma once
// What machine.ini must hold before a program may run on the machine: a drive C: whose folder
// is there, Windows paths that name no character Windows refuses in a name and stay on their
// drive, and a program folder that is there. Each fault is told with the section and the key
// it is in, so that whoever edits the file knows where to look.
#include <QString>

namespace platform {

class IniDocument;

// "" when `doc` (the machine.ini of the machine in the host folder `dir`) is sound in these
// respects; else what is wrong, as "[Section] Key=value ..." (control characters shown as
// <NUL>, <0x01>, ...).
QString machineIniFault(const QString& dir, const IniDocument& doc);

// A Windows path from a file, as "" when it is sound or as what is wrong with it: it holds a
// control character or one of < > " | (or, unless `wildcards`, * ?), or its ".." entries
// lead above its drive's root.
QString windowsPathFault(const QString& path, bool wildcards = false);

// `value` for a message: control characters as <NUL>, <0x01> ..., cut after 80 characters.
QString shownValue(const QString& value);

} // namespace platform
