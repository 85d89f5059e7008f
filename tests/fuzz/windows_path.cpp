// Windows paths through the machine's resolver and the file operations on them. The input is
// one path (Windows-1252, relative ones taken from C:\WINDOWS). A path that resolves stays in
// its drive's host folder: each of its names is one name on the host (no "..", no separator,
// no NUL that would end the host's path early). A path with a character Windows allows in no
// name (NUL and the other control characters, < > " |) resolves to nothing, and the
// operations refuse it with 52 "Bad file name or number": nothing found, listed or written.
// What the operations write arrives under the name the resolver gives (none shortened); a
// path that is not there is written, listed, removed, made a folder with a file in it, and
// removed as a tree, so that afterwards the drives are as they were, and nothing outside
// them has changed at any time.
#include "FuzzTarget.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

#include <QDir>
#include <QFileInfo>

namespace fs = platform::fs;

namespace {

bool badCharacter(QChar c) { return c.unicode() < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|'; }

// The operation either refuses a bad path with 52 or, for a question, finds nothing; a good
// path may fail with any machine error. Anything else escaping breaks the invariant.
template <class Work>
std::optional<int> attempt(const char* what, bool bad, Work&& work)
{
    try {
        work();
        return std::nullopt;
    } catch (const platform::SysError& e) {
        fuzz::require(!bad || e.code() == platform::ErrBadFileName,
                      QStringLiteral("%1 of a path with a bad character failed with %2, not 52").arg(QLatin1String(what)).arg(e.code()));
        return e.code();
    } catch (const std::exception& e) {
        fuzz::fail(QStringLiteral("%1 escaped from %2").arg(QLatin1String(e.what()), QLatin1String(what)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachine();
    const QString top = QFileInfo(machine).path();
    const QString path = platform::cp1252::decode(fuzz::bytesOf(data, size));
    const bool bad = std::any_of(path.begin(), path.end(), badCharacter);
    platform::Machine& m = fs::machine();
    m.setCurrentDir(QStringLiteral("C:\\WINDOWS"));

    const QStringList drives{QStringLiteral("machine/drive_c/"), QStringLiteral("machine/drive_c.attr"), QStringLiteral("machine/floppies/blank/"),
                             QStringLiteral("machine/floppies/blank.attr")};
    const QStringList records{QStringLiteral("drive_c.attr"), QStringLiteral("floppies/blank.attr")};
    const fuzz::Stamps outside = fuzz::stampsUnder(top, drives);
    const fuzz::Stamps before = fuzz::stampsUnder(machine, records);
    const auto outsideStays = [&](const char* after) {
        const QString moved = fuzz::firstDifference(outside, fuzz::stampsUnder(top, drives));
        fuzz::require(moved.isEmpty(), QStringLiteral("%1 changed a host file outside the drives: %2").arg(QLatin1String(after), moved));
    };

    const platform::Resolved r = m.resolve(path);
    fuzz::require(!bad || !r.ok(), QStringLiteral("a path with a bad character resolved to %1").arg(r.host()));
    if (r.ok()) {
        for (const QString& name : r.components)
            fuzz::require(!name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') && !name.contains(QChar(0)),
                          QStringLiteral("the path resolved through the host name \"%1\"").arg(name));
        fuzz::require(r.volume && QFileInfo(r.host()).absoluteFilePath().startsWith(QFileInfo(r.volume->hostRoot()).absoluteFilePath()),
                      QStringLiteral("the path resolved to %1, outside its drive").arg(r.host()));
    }

    bool there = false;
    attempt("exists", bad, [&] { there = fs::exists(path); });
    std::optional<fs::Entry> entry;
    attempt("tryStat", bad, [&] { entry = fs::tryStat(path); });
    fuzz::require(!bad || (!there && !entry), QStringLiteral("a path with a bad character was found"));
    QList<fs::Entry> listed;
    attempt("find", bad, [&] { listed = fs::find(path, 0x16); });
    attempt("find", bad, [&] { listed += fs::find(path + QStringLiteral("\\*.*"), 0x16); });
    fuzz::require(!bad || listed.isEmpty(), QStringLiteral("a path with a bad character was listed"));
    if (there || entry) {
        outsideStays("looking at the path");
        return 0;   // what is there stays as it is
    }

    // A file written lands where the path resolves, under no other name.
    const std::optional<int> written = attempt("writeAll", bad, [&] { fs::writeAll(path, "written by the fuzz target"); });
    fuzz::require(!bad || written, QStringLiteral("a path with a bad character was written"));
    outsideStays("writing the path");
    if (!written) {
        const platform::Resolved now = m.resolve(path);
        const QString rel = QDir(machine).relativeFilePath(now.host());
        const QStringList made = fuzz::changedPaths(before, fuzz::stampsUnder(machine, records));
        fuzz::require(now.isFile() && made.size() == 1 && made[0] == rel,
                      QStringLiteral("the write of %1 made %2").arg(now.win(), made.join(u',')));
        attempt("stat", bad, [&] { fuzz::require(fs::stat(path).size == 26, QStringLiteral("the file written reads back otherwise")); });
    }
    attempt("removeFile", bad, [&] { fs::removeFile(path); });
    const std::optional<int> made = attempt("createDirectory", bad, [&] { fs::createDirectory(path); });
    fuzz::require(!bad || made, QStringLiteral("a folder with a bad character in its path was made"));
    if (!made)
        attempt("writeAll", bad, [&] { fs::writeAll(path + QStringLiteral("\\inside.txt"), "in a folder of the fuzz target"); });
    outsideStays("making the folder");
    attempt("removeTree", bad, [&] { fs::removeTree(path); });
    outsideStays("removing the tree");
    const QString left = fuzz::firstDifference(before, fuzz::stampsUnder(machine, records));
    fuzz::require(left.isEmpty(), QStringLiteral("after the path's file and folder were removed the drives differ: %1").arg(left));
    return 0;
}
