#pragma once
// Small procedures on path strings.
#include <QString>
#include <optional>

namespace core {

// The path cut to `maxLength` for display, "..." standing for the middle folders.
QString ShortenPath(const QString& path, int maxLength);

// 1-based position of the last `sought` in `text`, searching from `start` counted from the
// end (0 or 1: the last character); nullopt (Empty) when absent or when either is empty.
std::optional<int> InStrRev(int start, const QString& text, const QString& sought);

// The 8.3 form of an existing full path ("C:\PROGRA~1"), never ending in "\"; "" when a
// component does not exist.
QString GetShortNameFromLongName(const QString& path);

// The 8.3 name of one existing file or folder (its last component only); "" when missing.
QString GetShortNameSection(const QString& path);

// A folder path as the machine resolves it, ending in "\" and case-folded: two paths that
// name the same folder give the same text whatever their letter case or short names, and
// a folder below it begins with it.
QString FolderKey(const QString& path);

// The text before the first `delimiter`, or the whole text.
QString LeftOfDelimiter(const QString& text, const QString& delimiter);

} // namespace core
