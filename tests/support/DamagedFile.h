#pragma once
// A stored file of the machine replaced by a damaged form of itself, as a disk fault, a
// write cut short or a careless hand leaves it: the rows of the damage tests.
#include <QByteArray>
#include <QString>
#include <ostream>

namespace testsupport {

enum class Damage {
    Truncated,      // cut within a line, about half way
    Garbage,        // binary noise of the file's length (4 KB at least)
    LongLine,       // one line of 1 MB, without line end
    CrOnly,         // its line ends CR alone (nothing lost)
    Empty,
    Folder,         // an empty folder in its place
    DanglingLink,   // a link to a file that is not there
};

const char* damageName(Damage damage);
inline std::ostream& operator<<(std::ostream& os, Damage damage) { return os << damageName(damage); }

// Puts the damaged form in place of the host file `hostPath` (which may be missing for the
// forms that do not start from its bytes).
void damageFile(const QString& hostPath, Damage damage);

// `bytes` as the whole of the host file `hostPath`.
void writeHostFile(const QString& hostPath, const QByteArray& bytes);

} // namespace testsupport
