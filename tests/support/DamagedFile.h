#pragma once
// A stored file of the machine replaced by a damaged form of itself, as a disk fault, a
// write cut short or a careless hand leaves it: the rows of the damage tests.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
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

// A damaged list file (trelvo.usr, Config<n>.usr): one of the forms above, or a first line
// that is no count. An empty list file is a damage only where the program never writes one.
struct ListDamage {
    const char* name;
    bool isFile;   // a file stands there, what is wrong lies in its bytes
    std::function<void(const QString& hostPath)> make;
};
QList<ListDamage> listFileDamages(bool emptyIsDamage);

// `bytes` as the whole of the host file `hostPath`.
void writeHostFile(const QString& hostPath, const QByteArray& bytes);

} // namespace testsupport
