#pragma once
// Pure string work on Windows paths: splitting, DOS wildcards and 8.3 names.
// Nothing here touches the host file system.
#include <QString>
#include <QStringList>

namespace platform::winpath {

// A Windows path taken apart. `drive` is the upper-case letter or a null QChar when
// the path names none; `rooted` is true when the part after the drive starts with "\".
struct Parts {
    QChar drive;
    bool rooted = false;
    bool unc = false;          // \\server\share\...
    QStringList components;    // without "." entries; ".." kept for the caller to apply
    bool trailingSeparator = false;
};

Parts split(const QString& path);

// Joins components with "\" behind "X:\".
QString join(QChar drive, const QStringList& components);

// Applies ".." entries and strips the trailing blanks and dots Windows drops from names.
QStringList normalise(const QStringList& components);

// DOS wildcard match, without regard to case: "*" any run, "?" one character.
// "*.*" matches every name, dot-less ones too; a trailing "." in the pattern matches a
// name without extension.
bool wildcardMatch(const QString& pattern, const QString& name);
bool hasWildcards(const QString& s);

// Case-insensitive equality as the file system compares names.
bool sameName(const QString& a, const QString& b);
QString foldCase(const QString& s);
// As QString::toCaseFolded, plain ASCII without the full tables.
QString caseFolded(const QString& s);

// The order in which a folder lists its names: without regard to case, names that differ
// only in case in their stored order.
bool listedBefore(const QString& a, const QString& b);

// True when the machine can name it: a name of at most 255 characters, all of them in the
// code page, none a control character or one of \ / : * ? " < > |, not ending in a blank
// or a full stop (a path drops those, so it would name another item).
bool isNameable(const QString& name);
// True when a name holds a character that no name may hold and that a path cannot carry to
// the host whole: NUL (where a host call would end the path) and the other control
// characters, and < > " |. The resolver refuses a path with one in any of its names.
bool holdsBadCharacter(const QString& name);
// True when each name of the path after its drive, root or server is one the machine can
// name (isNameable): no "." or "..", no character a name may not hold, no blank or full stop
// at its end. Such a path is its own normal form: it names what it says, and put below a
// folder it stays below it. The check a path typed, chosen or read from a file passes before
// it joins the user-file list or is staged, restored or named to the user.
bool isNameablePath(const QString& path);
// The longest full path the system's file functions take: 259 characters.
constexpr int kMaxPath = 259;
// A path as it may be shown or logged: control characters as "?", and no longer than a path
// can be (what is beyond kMaxPath as "...").
QString printable(const QString& path);

// True when the name is a valid short (8.3) name as it stands, letter case aside.
bool isShortName(const QString& name);

// The basis of a generated short name: upper case, invalid characters dropped,
// name part cut to `keep` characters; the extension cut to three.
struct ShortBasis { QString stem; QString ext; };
ShortBasis shortBasis(const QString& longName);
QString makeShortName(const ShortBasis& basis, int number);

// Number of directory entries a name takes on a FAT volume: one, plus the long-name
// entries of a name that is not a short name as it stands.
int fatEntriesFor(const QString& name);

} // namespace platform::winpath
