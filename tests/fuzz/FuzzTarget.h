#pragma once
// What the fuzz targets share. Each target is one file with LLVMFuzzerTestOneInput that
// runs the program's own code on one input and checks an invariant of it; a broken
// invariant ends the run through fail(), so that libFuzzer keeps the input and a replay of
// the corpus (the gcc build, ReplayMain.cpp) fails.
#include "platform/SysError.h"
#include "vb/Error.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// The input broke an invariant: prints `what` (with the name of the input during a replay)
// and aborts.
[[noreturn]] void fail(const QString& what);
inline void require(bool holds, const QString& what)
{
    if (!holds)
        fail(what);
}
// The replay names each input before it runs it.
void setInputName(const QString& name);

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
// The input cut at its first form feed: what lies before it and what follows it (empty
// when there is none). Inputs of two files use it.
std::pair<QByteArray, QByteArray> splitAtFormFeed(const QByteArray& input);

// A temporary folder of the process, removed when it ends (also through fail()).
QString scratchFolder();

// The demo machine of the process in the temporary folder, made at the first call and made
// the process's machine. Every later call first puts its files back as they were made (an
// input may have changed, added or removed some). Returns the machine's host folder.
// Beside it in that folder lies `outside.txt`, a host file no input may touch.
QString freshMachine();
// The same for a target that runs windows: the first call also starts a QApplication on the
// offscreen platform, installs UI services that show nothing (a message box gets its first
// button, the one that goes on: OK, Yes, Retry; every other question is cancelled; End runs
// the program's end hooks and throws Ended) and registers the windows (when given).
QString freshMachineWithWindows(void (*registerWindows)() = nullptr);

// What one lstat of an item says; an item whose stamp is the same is taken as unchanged.
struct Stamp {
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    quint32 mode = 0;
    bool operator==(const Stamp&) const = default;
};
// Every item below a host folder by its path relative to it ("path/" for a folder), links
// not followed; paths starting with one of `leftOut` are left out.
using Stamps = QMap<QString, Stamp>;
Stamps stampsUnder(const QString& folder, const QStringList& leftOut = {});
// The first path that differs between the two (changed, gone or new), else "".
QString firstDifference(const Stamps& before, const Stamps& after);
// Every path that differs between the two, in order.
QStringList changedPaths(const Stamps& before, const Stamps& after);

// What End throws under the UI services of freshMachineWithWindows.
struct Ended {
    int code = 0;
};

// Runs `work` as the program runs a procedure that must deal with its own errors: false when
// it ended the program (End), true when it returned; a run-time or machine error escaping it
// breaks the invariant.
template <class Work>
bool handlesItsErrors(const char* where, Work&& work)
{
    try {
        work();
        return true;
    } catch (const Ended&) {
        return false;
    } catch (const vb::Error& e) {
        fail(QStringLiteral("run-time error %1 (%2) escaped from %3").arg(e.Number()).arg(e.Description(), QLatin1String(where)));
    } catch (const platform::SysError& e) {
        fail(QStringLiteral("machine error %1 (%2) escaped from %3").arg(e.code()).arg(e.detail(), QLatin1String(where)));
    } catch (const std::exception& e) {
        fail(QStringLiteral("%1 escaped from %2").arg(QLatin1String(e.what()), QLatin1String(where)));
    }
}

} // namespace fuzz
