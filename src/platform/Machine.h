#pragma once
// The emulated Windows 98 PC: a folder on the host holding machine.ini (identity,
// drive table, program table, network settings), registry.reg, one host folder per
// fixed drive and a shelf of floppy disks. Every path the programs use is a Windows
// path; this class turns it into a host path, component by component and without
// regard to case, and keeps the current drive and the current folder of each drive
// (the host process's own working folder is never used).
#include "platform/HostStamp.h"
#include "platform/IniDocument.h"
#include "platform/Volume.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

namespace platform {

enum class DriveKind { None = 1, Removable = 2, Fixed = 3, Network = 4, CdRom = 5, RamDisk = 6 };

// A Windows path taken onto the host.
struct Resolved {
    // BadName: a name of the path holds a character that no name may hold (see
    // winpath::holdsBadCharacter); nothing of it is looked at on the host.
    enum Status { Ok, NoSuchDrive, NotReady, Unsupported, BadName };
    Status status = Ok;
    QChar drive;
    std::shared_ptr<Volume> volume;
    QStringList components;     // found ones in their stored case, the rest as given
    int existing = 0;           // how many leading components exist
    bool lastIsDir = true;      // of the deepest existing component (the root is a folder)
    // What resolving saw of the item and of its folder, when it looked at them (else absent).
    HostStamp stamp;
    HostStamp folderStamp;

    bool ok() const { return status == Ok; }
    bool isRoot() const { return components.isEmpty(); }
    bool exists() const { return existing == components.size(); }
    bool parentExists() const { return existing >= components.size() - 1 && (existing < components.size() ? lastIsDir : true); }
    bool isDir() const { return exists() && lastIsDir; }
    bool isFile() const { return exists() && !isRoot() && !lastIsDir; }
    QString rel() const { return components.join(u'/'); }
    QString host() const;
    QString parentHost() const;
    QString win() const;        // "C:\WINDOWS\WIN.INI"
    QString name() const { return components.isEmpty() ? QString() : components.last(); }
};

class Machine {
public:
    // The machine of this process: $TRELVO_MACHINE, else the default location. A program
    // opens it first: open() writes the demo machine into an absent or empty folder and
    // returns "", or returns the text that says why the folder holds no sound machine
    // (naming the file) and writes nothing.
    static QString open();
    static Machine& current();
    static QString locate();   // the folder, absolute
    // "" when `dir` holds a machine whose machine.ini names its drives and is sound as
    // machineIniFault checks it, or is absent or empty (so that a machine can be written into
    // it); else what is wrong, naming the file and the key.
    static QString problemWith(const QString& dir);
    // Makes the machine in `dir` the current one (tests, the machine tool).
    static Machine& use(const QString& dir);
    static QString defaultDir();
    static bool isMachine(const QString& dir);

    explicit Machine(QString dir);

    const QString& dir() const { return dir_; }
    QString hostFile(const QString& name) const { return dir_ + u'/' + name; }

    // machine.ini
    QString setting(const QString& section, const QString& key, const QString& def = {}) const;
    void setSetting(const QString& section, const QString& key, const QString& value);
    // Replaces the keys of `section` by `entries`, in their order (none: the section goes),
    // in one write of the file.
    void setSection(const QString& section, const QList<std::pair<QString, QString>>& entries);
    QStringList settingKeys(const QString& section) const;
    QList<std::pair<QString, QString>> settingEntries(const QString& section) const;   // in file order

    // Identity
    QString programFolder() const;   // "C:\Program Files\Trelvo"
    QString windowsFolder() const;   // "C:\WINDOWS"
    QString systemFolder() const;
    QString tempFolder() const;

    // Drives and media
    QString driveLetters() const;                          // "AC"
    DriveKind driveKind(QChar letter) const;
    std::shared_ptr<Volume> volume(QChar letter) const;    // null: no medium in the drive
    QString insertedDisk(QChar letter) const;               // removable drives: the disk's name

    // Floppy shelf
    QStringList disks() const;
    QString diskFolder(const QString& name) const;
    bool diskExists(const QString& name) const;
    static bool isDiskName(const QString& name);             // one name, not a path
    void createDisk(const QString& name, const DiskFormat& format, bool formatted, const QString& label = {});
    void formatDisk(const QString& name, bool quick, const QString& label);
    void insertDisk(const QString& name, QChar letter = u'A');
    void ejectDisk(QChar letter = u'A');
    void protectDisk(const QString& name, bool on);
    void labelDisk(const QString& name, const QString& label);
    std::shared_ptr<Volume> diskVolume(const QString& name) const;

    // Current drive and folders
    QChar currentDrive() const { return currentDrive_; }
    void setCurrentDrive(QChar letter);                    // 68 when the drive has no ready medium
    QString currentDir(QChar letter = QChar()) const;      // "C:\WINDOWS"
    void setCurrentDir(const QString& winPath);            // 76 when the folder does not exist

    // While one is alive, machine.ini is looked at once, and so are each volume's metadata
    // and attribute records: a path resolves against one reading of the drive table, and one
    // file operation against one look at each disk, however many of their values it needs.
    class OneReading {
    public:
        explicit OneReading(const Machine& m) : m_(m) { ++m_.readingDepth_; }
        ~OneReading()
        {
            if (--m_.readingDepth_ == 0) {
                m_.iniChecked_ = false;
                m_.readingVolumes_.clear();
                ++looks_;
            }
        }
        OneReading(const OneReading&) = delete;
        OneReading& operator=(const OneReading&) = delete;

    private:
        const Machine& m_;
        Volume::OneLook look_;
    };
    // The user may have changed the machine while a question was up or the windows took
    // their events (a disk put in, write protection set): the reading under way, if any,
    // looks at machine.ini and the disks again at its next need. Called by every question
    // and every DoEvents, so a reading may span steps that ask on a fault.
    static void lookAgain();
    // Counts the ends of readings and the calls of lookAgain(): what a caller keeps of the
    // drives (a folder it found) holds only while the count stays as it was when it looked.
    static quint64 looks() { return looks_; }

    // Paths
    Resolved resolve(const QString& winPath) const;
    QString shortNameOf(const QString& hostDir, const QString& longName) const;   // "" when already 8.3
    QString findInDir(const QString& hostDir, const QString& name) const;         // stored name or ""
    // findInDir() from the folder's listing alone, as the look at the folder the caller has just
    // taken (`dirStamp`) finds it: the name as it stands is not looked at by itself.
    QString findOtherSpelling(const QString& hostDir, const QString& name, const HostStamp& dirStamp) const;
    // Keep the cached listing of a host folder in step with a change made through the platform
    // (`dirStamp`: the caller's look at the folder after the change, else one is taken).
    void noteAdded(const QString& hostDir, const QString& name, const HostStamp* dirStamp = nullptr) const;
    void noteRemoved(const QString& hostDir, const QString& name) const;
    void forgetDir(const QString& hostDir) const;
    QStringList listDir(const QString& hostDir) const;                             // stored names, sorted

private:
    std::shared_ptr<Volume> volumeNow(QChar letter) const;
    // The stored name of `name` in `hostDir` ("" when there is none), and whether it is a folder.
    // With `dirStamp` (a look at hostDir just taken) it is looked for in the listing only: the
    // name as it stands, other cases of it, and short names.
    QString lookup(const QString& hostDir, const QString& name, bool* isDir, const HostStamp* dirStamp = nullptr) const;

    // A folder's names. The process's own changes come one name at a time (thousands into
    // one folder in a save or a restore), so they cost a set's insert or removal each; the
    // sorted list is made again only when it is asked for after a change.
    struct DirListing {
        HostStamp stamp;                         // of the folder when it was listed
        QSet<QString> present;                   // the names as stored
        QHash<QString, QString> byFolded;        // folded name -> stored name
        const QStringList& names() const;        // sorted without regard to case
        mutable QStringList sorted;
        mutable bool sortedStale = true;
    };
    const DirListing* listing(const QString& hostDir, const HostStamp* dirStamp = nullptr) const;
    const IniDocument& ini() const;
    // Writes machine.ini whole as `doc` holds it and keeps `doc` as what the file says.
    void writeIni(IniDocument doc, bool exact);
    // What machine.ini says of a drive letter, taken from one parse of it and kept with it:
    // a drive is asked for at every file operation.
    struct Drive {
        bool known = false;
        DriveKind kind = DriveKind::None;
        QString disk;     // the floppy in a removable drive
        QString folder;   // the host folder of any other
    };
    const Drive& drive(QChar letter) const;
    void forgetDrives() const;
    std::shared_ptr<Volume> volumeFor(const QString& folder, const QString& meta, bool shelfDisk = false) const;

    QString dir_;
    mutable IniDocument ini_;
    mutable HostStamp iniStamp_;
    mutable bool iniKnown_ = false;    // iniStamp_ vouches for ini_
    mutable bool iniParsed_ = false;   // ini_ is the parse of iniBytes_
    mutable QByteArray iniBytes_;
    mutable Drive drives_[27];   // A to Z of ini_, each made when first asked for; [26] for no letter
    static inline quint64 looks_ = 0;
    mutable int readingDepth_ = 0;
    mutable bool iniChecked_ = false;
    mutable QHash<QChar, std::shared_ptr<Volume>> readingVolumes_;   // volume() within one reading
    mutable QHash<QString, std::shared_ptr<Volume>> volumes_;
    mutable QHash<QString, DirListing> dirs_;
    QChar currentDrive_ = u'C';
    QHash<QChar, QStringList> currentDirs_;
};

} // namespace platform
