#include "FuzzTarget.h"
#include "platform/DemoMachine.h"
#include "platform/Machine.h"
#include "platform/Profile.h"
#include "vb/FileIO.h"
#include "vb/ScriptUi.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <cstdlib>
#include <memory>
#include <optional>

namespace fuzz {

namespace {

QString g_inputName;
QTemporaryDir* g_scratch = nullptr;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile::remove(path);   // also one the input made read-only
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot put back %1").arg(path));
}

// Answers as a user who always goes on would, and says nothing.
class QuietUi : public vb::ScriptUi {
public:
    int MsgBox(const vb::MessageBoxRequest& request) override
    {
        for (const int result : request.buttonResults())
            if (result != 0)
                return result;
        return vb::vbOK;
    }
    [[noreturn]] void EndProcess(int code) override
    {
        vb::AtEnd();
        throw Ended{code};
    }

protected:
    void unexpected(const QString&) override {}
    void notice(const QString&) override {}
};

} // namespace

void fail(const QString& what)
{
    std::fprintf(stderr, "\nFUZZ INVARIANT BROKEN%s%s: %s\n", g_inputName.isEmpty() ? "" : " by ",
                 qPrintable(g_inputName), qPrintable(what));
    if (g_scratch)
        QDir(g_scratch->path()).removeRecursively();
    std::fflush(stderr);
    std::abort();
}

void setInputName(const QString& name) { g_inputName = name; }

QString scratchFolder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trelvo-fuzz-XXXXXX"));
    g_scratch = &dir;
    if (!dir.isValid())
        fail(QStringLiteral("cannot make a temporary folder in %1").arg(QDir::tempPath()));
    return dir.path();
}

std::pair<QByteArray, QByteArray> splitAtFormFeed(const QByteArray& input)
{
    const qsizetype cut = input.indexOf('\f');
    if (cut < 0)
        return {input, {}};
    return {input.left(cut), input.mid(cut + 1)};
}

namespace {

void startApplication()
{
    // Never destroyed: the windows that the targets load live until the process ends.
    static QApplication* app = nullptr;
    if (app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
}

} // namespace

namespace {

// Folders are compared by their kind and rights only: what lies in them is compared item by item.
std::optional<Stamp> stampOf(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    if (S_ISDIR(st.st_mode))
        return Stamp{0, 0, 0, quint32(st.st_mode)};
    return Stamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, quint64(st.st_ino), quint32(st.st_mode)};
}

} // namespace

QString freshMachineWithWindows(void (*registerWindows)())
{
    static bool started = false;
    if (!started) {
        started = true;
        startApplication();
        vb::setUi(std::make_unique<QuietUi>());
        if (registerWindows)
            registerWindows();
    }
    return freshMachine();
}

Stamps stampsUnder(const QString& folder, const QStringList& leftOut)
{
    Stamps stamps;
    QStringList pending{QString()};
    while (!pending.isEmpty()) {
        const QString rel = pending.takeLast();
        DIR* d = ::opendir(QFile::encodeName(folder + u'/' + rel).constData());
        if (!d)
            continue;
        while (const dirent* e = ::readdir(d)) {
            const QString name = QFile::decodeName(e->d_name);
            if (name == u"." || name == u"..")
                continue;
            const std::optional<Stamp> stamp = stampOf(folder + u'/' + rel + name);
            if (!stamp)
                continue;
            const bool dir = S_ISDIR(stamp->mode);
            const QString path = rel + name + (dir ? QStringLiteral("/") : QString());
            bool keep = true;
            for (const QString& prefix : leftOut)
                keep = keep && !path.startsWith(prefix);
            if (!keep)
                continue;
            stamps.insert(path, *stamp);
            if (dir)
                pending << path;
        }
        ::closedir(d);
    }
    return stamps;
}

QString freshMachine()
{
    static const QString dir = scratchFolder() + QStringLiteral("/machine");
    static const QString outside = scratchFolder() + QStringLiteral("/outside.txt");
    static const QByteArray outsideBytes = "a host file beside the machine folder\n";
    static QMap<QString, QByteArray> made;   // every item as made, with the bytes of the files
    static Stamps madeStamps;                 // and as it stands after the last call
    if (made.isEmpty()) {
        if (!platform::createDemoMachine(dir))
            fail(QStringLiteral("cannot make a demo machine in %1").arg(dir));
        writeFile(outside, outsideBytes);
        const Stamps items = stampsUnder(dir);
        for (auto it = items.constBegin(); it != items.constEnd(); ++it) {
            QFile f(dir + u'/' + it.key());
            if (!it.key().endsWith(u'/') && !f.open(QIODevice::ReadOnly))
                fail(QStringLiteral("cannot read %1").arg(f.fileName()));
            made.insert(it.key(), f.isOpen() ? f.readAll() : QByteArray());
        }
        madeStamps = items;
    } else {
        Stamps now = stampsUnder(dir);
        // What the input added goes, deepest first; what it changed or removed comes back.
        for (auto it = now.end(); it != now.begin();) {
            --it;
            if (made.contains(it.key()))
                continue;
            const QString path = dir + u'/' + it.key();
            if (it.key().endsWith(u'/'))
                QDir(path).removeRecursively();
            else
                QFile::remove(path);
            it = now.erase(it);
        }
        for (auto it = made.constBegin(); it != made.constEnd(); ++it) {
            const auto was = now.constFind(it.key());
            if (was != now.constEnd() && *was == madeStamps.value(it.key()))
                continue;
            const QString path = dir + u'/' + it.key();
            if (it.key().endsWith(u'/'))
                QDir().mkpath(path);
            else
                writeFile(path, *it);
            now.insert(it.key(), stampOf(path).value_or(Stamp{}));
        }
        madeStamps = now;
        QFile f(outside);
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != outsideBytes)
            writeFile(outside, outsideBytes);
    }
    platform::Machine::use(dir);
    platform::profile::forgetCache();
    vb::CloseAll();
    vb::App().Path = platform::Machine::current().programFolder();
    return dir;
}

QString firstDifference(const Stamps& before, const Stamps& after)
{
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        const auto now = after.constFind(it.key());
        if (now == after.constEnd())
            return it.key() + QStringLiteral(" is gone");
        if (!(*now == *it))
            return it.key() + QStringLiteral(" changed");
    }
    for (auto it = after.constBegin(); it != after.constEnd(); ++it)
        if (!before.contains(it.key()))
            return it.key() + QStringLiteral(" appeared");
    return {};
}

QStringList changedPaths(const Stamps& before, const Stamps& after)
{
    QStringList out;
    for (auto it = after.constBegin(); it != after.constEnd(); ++it)
        if (!(before.value(it.key(), Stamp{-1}) == *it))
            out << it.key();
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        if (!after.contains(it.key()))
            out << it.key();
    out.sort();
    return out;
}

} // namespace fuzz
