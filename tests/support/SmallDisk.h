#pragma once
// A fixed drive of a test machine on a small tmpfs of its own, which a test can fill to the
// last byte: the host then refuses writes with ENOSPC, as a full disk does. Drive C: keeps its
// files where they were (its folder becomes the mount point), so TempMachine::hostC still
// names them; another letter becomes a new, empty fixed drive of the machine. Mounting needs
// root (or the right to mount); without it the test skips.
#include "support/TempMachine.h"

#include <QString>
#include <gtest/gtest.h>

namespace testsupport {

class SmallDrive {
public:
    SmallDrive(const TempMachine& tm, QChar letter, qint64 bytes);
    ~SmallDrive();
    SmallDrive(const SmallDrive&) = delete;
    SmallDrive& operator=(const SmallDrive&) = delete;

    bool mounted() const { return mounted_; }
    const QString& whyNot() const { return whyNot_; }

    // Takes every free byte but about `leave` with a file that has no name (so no listing
    // shows it); the room left is whole pages of the host's memory.
    void fill(qint64 leave = 0);
    // Gives the bytes taken by fill() back.
    void release();

private:
    QString folder_;
    bool mounted_ = false;
    QString whyNot_;
    int filler_ = -1;
};

class SmallDriveC : public SmallDrive {
public:
    explicit SmallDriveC(const TempMachine& tm, qint64 bytes = 8 << 20) : SmallDrive(tm, u'C', bytes) {}
};

} // namespace testsupport

// In a test body: skips, saying why, when the drive could not be mounted.
#define SKIP_UNLESS_MOUNTED(disk) \
    if (!(disk).mounted())        \
    GTEST_SKIP() << "no small disk for the drive: " << (disk).whyNot().toStdString()
