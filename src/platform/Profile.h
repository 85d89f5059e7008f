#pragma once
// The profile functions of the machine: one value of an INI file read or written at a
// time, with the system's rules (src/platform/IniDocument.h). A bare file name means a
// file in the Windows folder. Each write replaces the file at once (a temporary file
// renamed over it); readers keep a parsed copy per file, checked against its size and
// time, because a save writes thousands of keys.
#include "platform/IniDocument.h"
#include <QString>
#include <optional>

namespace platform::profile {

// At most bufferSize - 1 characters of the value; `def` when the file, section or key is
// missing. An empty key name finds nothing.
QString getString(const QString& section, const QString& key, const QString& def, int bufferSize, const QString& file);

// The values of one file from one reading of it, for a caller that asks for thousands of
// keys of a file that nothing writes meanwhile: getString() looks for the file and at its
// time again at every call. A file that is not there has no values.
class Reader {
public:
    explicit Reader(const QString& file);
    QString getString(const QString& section, const QString& key, const QString& def, int bufferSize) const;

private:
    std::optional<IniDocument> doc_;
};

// Writes (or with a null value deletes) one key; a null key deletes the whole section.
// Creates the file but not its folder. False when the file cannot be written; the file
// then stays as it was and lastWriteError() tells the run-time error (61 disk full, 75 ...).
bool writeString(const QString& section, const std::optional<QString>& key, const std::optional<QString>& value,
                 const QString& file);

// The error of the last writeString that failed; 0 once one has succeeded since.
int lastWriteError();

// Drops every cached parse (tests that rewrite files behind the cache's back).
void forgetCache();

// While one is alive, writeString() changes the parsed copy of its file and the file is
// written once, when the outermost batch ends, with every value written meanwhile (and
// read back meanwhile by getString()). A whole settings file of key after key is then one
// replacement of the file instead of one per key. writeString() answers false only for a
// file that cannot be made at all (no folder); finish() tells whether every file was written.
class WriteBatch {
public:
    WriteBatch();
    ~WriteBatch();
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;
    bool finish();   // writes the files (the outermost batch); false when one could not be written

private:
    bool finished_ = false;
    bool ok_ = true;
};

} // namespace platform::profile
