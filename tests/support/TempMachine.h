#pragma once
// A fresh demo machine in a temporary folder, made the machine of the test process.
#include "platform/Machine.h"
#include "support/QtPrinters.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace testsupport {

class TempMachine {
public:
    TempMachine();
    ~TempMachine();
    const QString& dir() const { return dir_; }
    platform::Machine& machine() const;

    // Host path of a path on drive C: ("WINDOWS/WIN.INI").
    QString hostC(const QString& rel) const;
    QByteArray readC(const QString& rel) const;
    void writeC(const QString& rel, const QByteArray& bytes) const;
    bool existsC(const QString& rel) const;
    // Host folder of a floppy disk on the shelf.
    QString hostDisk(const QString& name) const;

private:
    QTemporaryDir tmp_;
    QString dir_;
};

// From now on the test process's temporary folders (and so the machines made after this)
// lie on the host's memory file system, when it has room: for a test that times the
// program, so that a host disk busy with other work does not stall single file operations.
void temporaryFilesInMemory();

// Base fixture: every test gets its own machine.
class MachineTest : public ::testing::Test {
protected:
    TempMachine tm;
};

} // namespace testsupport
