#pragma once
// The profile functions of the machine: one value of an INI file read or written at a
// time, with the system's rules (src/platform/IniDocument.h). A bare file name means a
// file in the Windows folder. Each write replaces the file at once (a temporary file
// renamed over it); readers keep a parsed copy per file, checked against its size and
// time, because a save writes thousands of keys.
#include <QString>
#include <optional>

namespace platform::profile {

// At most bufferSize - 1 characters of the value; `def` when the file, section or key is
// missing. An empty key name finds nothing.
QString getString(const QString& section, const QString& key, const QString& def, int bufferSize, const QString& file);

// Writes (or with a null value deletes) one key; a null key deletes the whole section.
// Creates the file but not its folder. False when the file cannot be written.
bool writeString(const QString& section, const std::optional<QString>& key, const std::optional<QString>& value,
                 const QString& file);

// Drops every cached parse (tests that rewrite files behind the cache's back).
void forgetCache();

} // namespace platform::profile
