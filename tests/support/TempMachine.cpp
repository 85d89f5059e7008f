#include "support/TempMachine.h"
#include "core/ProgramState.h"
#include "platform/DemoMachine.h"
#include "platform/Profile.h"
#include "vb/FileIO.h"
#include "rescue/Registration.h"
#include "vb/Forms.h"
#include "vb/UiServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/statvfs.h>
#include <unistd.h>

namespace testsupport {

TempMachine::TempMachine() : tmp_(QDir::tempPath() + QStringLiteral("/trelvo-test-XXXXXX"))
{
    dir_ = tmp_.path() + QStringLiteral("/machine");
    if (!platform::createDemoMachine(dir_))
        ADD_FAILURE() << "cannot create a machine in " << dir_.toStdString();
    platform::Machine::use(dir_);
    platform::profile::forgetCache();
    vb::CloseAll();
    vb::App().Path = platform::Machine::current().programFolder();
    core::resetState();
    vb::Forms::reset();
    rescue::registerWindows();
}

TempMachine::~TempMachine() = default;

void temporaryFilesInMemory()
{
    const QString memory = QStringLiteral("/dev/shm");
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(memory).constData(), &fs) != 0 || ::access(QFile::encodeName(memory).constData(), W_OK) != 0)
        return;
    if (quint64(fs.f_bavail) * fs.f_frsize >= (quint64(512) << 20))
        qputenv("TMPDIR", QFile::encodeName(memory));
}

platform::Machine& TempMachine::machine() const { return platform::Machine::current(); }

QString TempMachine::hostC(const QString& rel) const { return dir_ + QStringLiteral("/drive_c/") + rel; }

QByteArray TempMachine::readC(const QString& rel) const
{
    QFile f(hostC(rel));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TempMachine::writeC(const QString& rel, const QByteArray& bytes) const
{
    QDir().mkpath(QFileInfo(hostC(rel)).path());
    QFile f(hostC(rel));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

bool TempMachine::existsC(const QString& rel) const { return QFileInfo::exists(hostC(rel)); }

QString TempMachine::hostDisk(const QString& name) const { return dir_ + QStringLiteral("/floppies/") + name; }

} // namespace testsupport
