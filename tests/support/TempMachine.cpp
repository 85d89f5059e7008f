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
