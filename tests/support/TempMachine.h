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

// Base fixture: every test gets its own machine.
class MachineTest : public ::testing::Test {
protected:
    TempMachine tm;
};

} // namespace testsupport
