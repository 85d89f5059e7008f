// trelvo-machine: creates the emulated Windows 98 PC, manages its floppy disks and boots it.
#include "platform/Boot.h"
#include "platform/DemoMachine.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/SysError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

using namespace platform;

static QTextStream out(stdout);
static QTextStream err(stderr);

static int usage()
{
    err << "usage: trelvo-machine [--machine DIR] COMMAND\n"
           "  create DIR                      write the demo machine into DIR\n"
           "  info                            drive table with free space\n"
           "  floppy list                     the disk shelf, the disk in drive A: marked *\n"
           "  floppy new NAME [--unformatted] [--size 720K|1.44M|2.88M|BYTES] [--label TEXT]\n"
           "  floppy insert NAME              put a disk into drive A:\n"
           "  floppy eject                    take the disk out of drive A:\n"
           "  floppy protect NAME on|off      set the write-protect tab\n"
           "  floppy label NAME TEXT          set the volume label\n"
           "  floppy format NAME [--quick] [--label TEXT]\n"
           "  boot                            restart the machine: carry out Wininit.ini [rename]\n"
           "The machine is --machine DIR, else $TRELVO_MACHINE, else " << Machine::defaultDir() << "\n";
    err.flush();
    return 2;
}

static QString kindName(DriveKind k)
{
    switch (k) {
    case DriveKind::Removable: return QStringLiteral("removable");
    case DriveKind::Fixed: return QStringLiteral("fixed");
    case DriveKind::Network: return QStringLiteral("network");
    case DriveKind::CdRom: return QStringLiteral("CD-ROM");
    case DriveKind::RamDisk: return QStringLiteral("RAM disk");
    default: return QStringLiteral("none");
    }
}

static int info(Machine& m)
{
    out << "Machine: " << m.dir() << "\n";
    out << "Windows " << m.setting(QStringLiteral("Machine"), QStringLiteral("WindowsVersion")) << ", computer "
        << m.setting(QStringLiteral("Machine"), QStringLiteral("ComputerName")) << ", user "
        << m.setting(QStringLiteral("Machine"), QStringLiteral("UserName")) << "\n";
    for (QChar d : m.driveLetters()) {
        const DriveKind k = m.driveKind(d);
        out << d << ": " << kindName(k).leftJustified(10);
        auto v = m.volume(d);
        if (!v) {
            out << "no disk\n";
            continue;
        }
        if (k == DriveKind::Removable)
            out << "disk " << m.insertedDisk(d) << ", ";
        if (!v->formatted()) {
            out << (v->damaged() ? "damaged record, not formatted\n" : "not formatted\n");
            continue;
        }
        out << "label \"" << v->label() << "\", " << v->freeBytes() << " of " << v->totalBytes() << " bytes free, cluster "
            << v->clusterSize() << (v->writeProtected() ? ", write-protected" : "") << "\n";
    }
    if (restartPending())
        out << "A restart is pending.\n";
    return 0;
}

static int boot()
{
    const BootReport report = bootMachine();
    for (const QString& line : report.lines)
        out << line << "\n";
    out << report.replaced << " replaced, " << report.deleted << " deleted, " << report.skipped << " skipped\n";
    return 0;
}

// FAT keeps none of these characters in a volume label.
static bool labelRefused(const QString& label)
{
    for (QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("*?./\\|,;:+=<>[]\"").contains(c)) {
            err << "a volume label holds none of * ? . , ; : / \\ | + = < > [ ] \" or control characters: " << label << "\n";
            return true;
        }
    }
    return false;
}

// What is wrong with a disk's record that cannot be read as one.
static QString damageOf(const QString& record)
{
    const QFileInfo fi(record);
    if (fi.isSymLink() && !fi.exists())
        return QStringLiteral("a link to nothing");
    if (fi.isDir())
        return QStringLiteral("a folder in place of the record");
    if (!fi.isReadable())
        return QStringLiteral("the record cannot be read");
    if (fi.size() == 0)
        return QStringLiteral("the record is empty");
    return QStringLiteral("the record names no floppy of a known capacity");
}

static int floppy(Machine& m, QStringList args)
{
    if (args.isEmpty())
        return usage();
    const QString cmd = args.takeFirst();
    if (cmd == u"list") {
        const QString in = m.insertedDisk(u'A');
        for (const QString& name : m.disks()) {
            auto v = m.diskVolume(name);
            out << (name == in ? "* " : "  ") << name.leftJustified(16) << " " << v->metaFile().section(u'/', -1) << " ";
            if (v->damaged()) {
                out << "damaged: " << damageOf(v->metaFile()) << "; the disk reads as not formatted ('floppy format " << name
                    << "' writes it afresh)\n";
                continue;
            }
            out << (v->formatted() ? QStringLiteral("formatted, %1 bytes free").arg(v->freeBytes()) : QStringLiteral("not formatted"));
            if (v->writeProtected())
                out << ", write-protected";
            if (!v->label().isEmpty())
                out << ", label \"" << v->label() << "\"";
            out << "\n";
        }
        return 0;
    }
    if (cmd == u"eject") {
        m.ejectDisk(u'A');
        out << "Drive A: is empty.\n";
        return 0;
    }
    if (args.isEmpty())
        return usage();
    const QString name = args.takeFirst();
    if (cmd == u"new") {
        bool formatted = true;
        QString size = QStringLiteral("1.44M");
        QString label;
        while (!args.isEmpty()) {
            const QString a = args.takeFirst();
            if (a == u"--unformatted")
                formatted = false;
            else if (a == u"--size" && !args.isEmpty())
                size = args.takeFirst();
            else if (a == u"--label" && !args.isEmpty())
                label = args.takeFirst();
            else
                return usage();
        }
        if (labelRefused(label))
            return 2;
        const DiskFormat f = DiskFormat::byName(size);
        if (f.capacity <= 0) {
            err << "unknown size: " << size << "\n";
            return 2;
        }
        if (m.diskExists(name)) {
            err << "a disk named " << name << " exists already\n";
            return 1;
        }
        m.createDisk(name, f, formatted, label.toUpper());
        out << "New disk " << name << " (" << f.name << (formatted ? ", formatted" : ", not formatted") << ").\n";
        return 0;
    }
    if (cmd == u"insert") {
        m.insertDisk(name, u'A');
        out << "Disk " << name << " is in drive A:.\n";
        if (m.diskVolume(name)->damaged())
            out << "Its record " << m.diskVolume(name)->metaFile() << " is damaged (" << damageOf(m.diskVolume(name)->metaFile())
                << "): the disk reads as not formatted.\n";
        return 0;
    }
    if (cmd == u"protect" && args.size() == 1 && (args[0] == u"on" || args[0] == u"off")) {
        m.protectDisk(name, args[0] == u"on");
        out << "Disk " << name << (args[0] == u"on" ? " is write-protected.\n" : " is writable.\n");
        return 0;
    }
    if (cmd == u"label" && args.size() == 1) {
        if (labelRefused(args[0]))
            return 2;
        m.labelDisk(name, args[0]);
        return 0;
    }
    if (cmd == u"format") {
        bool quick = false;
        QString label;
        while (!args.isEmpty()) {
            const QString a = args.takeFirst();
            if (a == u"--quick")
                quick = true;
            else if (a == u"--label" && !args.isEmpty())
                label = args.takeFirst();
            else
                return usage();
        }
        if (labelRefused(label))
            return 2;
        m.formatDisk(name, quick, label);
        return 0;
    }
    return usage();
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString machineDir;
    if (args.size() >= 2 && args[0] == u"--machine") {
        machineDir = args[1];
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage();
    const QString cmd = args.takeFirst();
    try {
        if (cmd == u"create") {
            if (args.size() != 1)
                return usage();
            if (Machine::isMachine(args[0])) {
                err << args[0] << " holds a machine already\n";
                return 1;
            }
            if (const QString problem = Machine::problemWith(args[0]); !problem.isEmpty()) {
                err << problem << "\n";
                return 1;
            }
            if (!createDemoMachine(args[0])) {
                err << "cannot write " << args[0] << "\n";
                return 1;
            }
            out << "Demo machine written to " << QFileInfo(args[0]).absoluteFilePath() << "\n";
            return 0;
        }
        // The tool works on a machine that is there; it writes none.
        const QString dir = machineDir.isEmpty() ? Machine::locate() : QFileInfo(machineDir).absoluteFilePath();
        if (const QString problem = Machine::problemWith(dir); !problem.isEmpty()) {
            err << problem << "\n";
            return 1;
        }
        if (!Machine::isMachine(dir)) {
            err << "no machine at " << dir << "\n";
            return 1;
        }
        Machine& m = Machine::use(dir);
        if (cmd == u"info")
            return info(m);
        if (cmd == u"floppy")
            return floppy(m, args);
        if (cmd == u"boot" && args.isEmpty())
            return boot();
    } catch (const SysError& e) {
        err << "failed: error " << e.code() << " " << e.detail() << "\n";
        return 1;
    }
    return usage();
}
