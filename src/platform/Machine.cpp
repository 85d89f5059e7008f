#include "platform/Machine.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/DemoMachine.h"
#include "platform/MachineIni.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <dirent.h>

namespace platform {

static std::unique_ptr<Machine> g_machine;
static bool nameLess(const QString& a, const QString& b);

// The host path of a drive's folder and the first `count` names below it, built in one buffer.
static QString hostPathOf(const QString& root, const QStringList& names, qsizetype count)
{
    qsizetype length = root.size();
    for (qsizetype i = 0; i < count; ++i)
        length += 1 + names[i].size();
    QString h;
    h.reserve(length);
    h += root;
    for (qsizetype i = 0; i < count; ++i) {
        h += u'/';
        h += names[i];
    }
    return h;
}

QString Resolved::host() const { return hostPathOf(volume ? volume->hostRoot() : QString(), components, components.size()); }

QString Resolved::parentHost() const
{
    return hostPathOf(volume ? volume->hostRoot() : QString(), components, qMax<qsizetype>(0, components.size() - 1));
}

QString Resolved::win() const { return winpath::join(drive, components); }

QString Machine::defaultDir()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/trelvo/machine");
}

bool Machine::isMachine(const QString& dir) { return QFileInfo::exists(dir + QStringLiteral("/machine.ini")); }

QString Machine::locate()
{
    const QString dir = qEnvironmentVariable("TRELVO_MACHINE");
    return QFileInfo(dir.isEmpty() ? defaultDir() : dir).absoluteFilePath();
}

QString Machine::problemWith(const QString& dir)
{
    const QFileInfo folder(dir);
    if (!folder.exists())
        return {};
    const QString ini = QDir(dir).filePath(QStringLiteral("machine.ini"));
    if (!folder.isDir())
        return QStringLiteral("%1 is a file, not the folder of a machine. Nothing was changed.").arg(dir);
    if (!QFileInfo::exists(ini)) {
        if (QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            return {};
        return QStringLiteral("The machine folder %1 holds files but no machine.ini (%2 is missing). "
                              "A new machine is only written into an empty folder: nothing was changed.")
            .arg(dir, ini);
    }
    QFile f(ini);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("The machine description %1 cannot be read: %2. Nothing was changed.").arg(ini, f.errorString());
    const IniDocument doc = IniDocument::parse(f.readAll());
    bool anyDrive = false;
    for (const QString& key : doc.keys(QStringLiteral("Drives")))
        anyDrive = anyDrive || (key.size() == 1 && key[0].isLetter());
    if (!anyDrive)
        return QStringLiteral("The machine description %1 is damaged: it names no drives ([Drives] is missing or empty). "
                              "Nothing was changed.")
            .arg(ini);
    if (const QString fault = machineIniFault(dir, doc); !fault.isEmpty())
        return QStringLiteral("The machine description %1 is damaged: %2. Nothing was changed.").arg(ini, fault);
    return {};
}

QString Machine::open()
{
    const QString dir = locate();
    if (const QString problem = problemWith(dir); !problem.isEmpty())
        return problem;
    if (!isMachine(dir) && !createDemoMachine(dir))
        return QStringLiteral("The demo machine cannot be written into %1. Nothing else was changed.").arg(dir);
    g_machine = std::make_unique<Machine>(dir);
    return {};
}

Machine& Machine::current()
{
    // Programs open the machine first; whatever else asks gets the folder as it is.
    if (!g_machine && !open().isEmpty())
        g_machine = std::make_unique<Machine>(locate());
    return *g_machine;
}

Machine& Machine::use(const QString& dir)
{
    g_machine = std::make_unique<Machine>(QFileInfo(dir).absoluteFilePath());
    return *g_machine;
}

Machine::Machine(QString dir) : dir_(std::move(dir))
{
    currentDrive_ = u'C';
}

void Machine::lookAgain()
{
    ++looks_;
    Volume::OneLook::lookAgain();
    if (g_machine) {
        g_machine->iniChecked_ = false;
        g_machine->readingVolumes_.clear();
    }
}

const IniDocument& Machine::ini() const
{
    if (readingDepth_ > 0 && iniChecked_)
        return ini_;
    const QString path = hostFile(QStringLiteral("machine.ini"));
    const HostStamp stamp = HostStamp::of(path);
    iniChecked_ = readingDepth_ > 0;
    if (iniKnown_ && stamp == iniStamp_)
        return ini_;
    const QByteArray bytes = readHostFile(path).value_or(QByteArray());
    // Within the clock tick of the last change the stamp proves nothing, the bytes do.
    if (!iniParsed_ || bytes != iniBytes_ || stamp.exists != iniStamp_.exists) {
        ini_ = IniDocument::parse(bytes);
        iniBytes_ = bytes;
        iniParsed_ = true;
        forgetDrives();
    }
    iniStamp_ = stamp;
    iniKnown_ = !stamp.racy();   // read again next time
    return ini_;
}

QString Machine::setting(const QString& section, const QString& key, const QString& def) const
{
    return ini().value(section, key).value_or(def);
}

void Machine::setSetting(const QString& section, const QString& key, const QString& value)
{
    readingVolumes_.clear();
    IniDocument doc = ini();
    doc.setValue(section, key, value);
    writeIni(std::move(doc), cp1252::canHold(section) && cp1252::canHold(key) && cp1252::canHold(value));
}

void Machine::setSection(const QString& section, const QList<std::pair<QString, QString>>& entries)
{
    readingVolumes_.clear();
    IniDocument doc = ini();
    doc.removeSection(section);
    bool exact = cp1252::canHold(section);
    for (const auto& [key, value] : entries) {
        doc.setValue(section, key, value);
        exact = exact && cp1252::canHold(key) && cp1252::canHold(value);
    }
    writeIni(std::move(doc), exact);
}

void Machine::writeIni(IniDocument doc, bool exact)
{
    const QString path = hostFile(QStringLiteral("machine.ini"));
    const QByteArray bytes = doc.serialize();
    writeFileAtomically(path, bytes);
    // What this process wrote is what it holds, within the same tick of the clock too: a
    // later change by another writer replaces the file and shows in its stamp. The file as
    // edited is what reading it back would give, unless a value could not be written as it
    // stands (`exact` false).
    ini_ = exact ? std::move(doc) : IniDocument::parse(bytes);
    iniBytes_ = bytes;
    iniParsed_ = true;
    forgetDrives();
    iniStamp_ = HostStamp::of(path);
    iniKnown_ = iniStamp_.exists;
    iniChecked_ = false;
}

QStringList Machine::settingKeys(const QString& section) const { return ini().keys(section); }
QList<std::pair<QString, QString>> Machine::settingEntries(const QString& section) const { return ini().entries(section); }

QString Machine::programFolder() const
{
    return setting(QStringLiteral("Machine"), QStringLiteral("ProgramFolder"), QStringLiteral("C:\\Program Files\\Trelvo"));
}
QString Machine::windowsFolder() const
{
    return setting(QStringLiteral("Machine"), QStringLiteral("WindowsFolder"), QStringLiteral("C:\\WINDOWS"));
}
QString Machine::systemFolder() const
{
    return setting(QStringLiteral("Machine"), QStringLiteral("SystemFolder"), windowsFolder() + QStringLiteral("\\SYSTEM"));
}
QString Machine::tempFolder() const
{
    return setting(QStringLiteral("Machine"), QStringLiteral("TempFolder"), windowsFolder() + QStringLiteral("\\TEMP"));
}

// ---- drives ---------------------------------------------------------------

QString Machine::driveLetters() const
{
    QString out;
    for (const QString& k : settingKeys(QStringLiteral("Drives")))
        if (k.size() == 1 && k[0].isLetter())
            out += k[0].toUpper();
    std::sort(out.begin(), out.end());
    return out;
}

const Machine::Drive& Machine::drive(QChar letter) const
{
    const IniDocument& doc = ini();
    const char16_t u = letter.toUpper().unicode();
    if (u < u'A' || u > u'Z')
        return drives_[26];
    Drive& d = drives_[u - u'A'];
    if (d.known)
        return d;
    const QString name(QChar{u});
    const QString type = doc.value(QStringLiteral("Drives"), name).value_or(QString()).toLower();
    d.kind = DriveKind::None;
    if (type == u"removable")
        d.kind = DriveKind::Removable;
    else if (type == u"fixed")
        d.kind = DriveKind::Fixed;
    else if (type == u"network")
        d.kind = DriveKind::Network;
    else if (type == u"cdrom")
        d.kind = DriveKind::CdRom;
    else if (type == u"ramdisk")
        d.kind = DriveKind::RamDisk;
    const QString section = QStringLiteral("Drive ") + name;
    d.disk = doc.value(section, QStringLiteral("Disk")).value_or(QString());
    d.folder = doc.value(section, QStringLiteral("Folder")).value_or(QString());
    d.known = true;
    return d;
}

void Machine::forgetDrives() const
{
    for (int i = 0; i < 26; ++i)
        drives_[i].known = false;
}

DriveKind Machine::driveKind(QChar letter) const { return drive(letter).kind; }

std::shared_ptr<Volume> Machine::volumeFor(const QString& folder, const QString& meta, bool shelfDisk) const
{
    auto it = volumes_.constFind(folder);
    if (it != volumes_.constEnd())
        return *it;
    auto v = std::make_shared<Volume>(folder, meta, shelfDisk);
    volumes_.insert(folder, v);
    return v;
}

QString Machine::insertedDisk(QChar letter) const { return drive(letter).disk; }

std::shared_ptr<Volume> Machine::volume(QChar letter) const
{
    letter = letter.toUpper();
    // Within one reading of machine.ini a drive holds what it held at the first look.
    if (readingDepth_ > 0) {
        if (const auto it = readingVolumes_.constFind(letter); it != readingVolumes_.constEnd())
            return *it;
    }
    const OneReading reading(*this);
    std::shared_ptr<Volume> v = volumeNow(letter);
    if (readingDepth_ > 1)
        readingVolumes_.insert(letter, v);
    return v;
}

std::shared_ptr<Volume> Machine::volumeNow(QChar letter) const
{
    const DriveKind kind = driveKind(letter);
    if (kind == DriveKind::None)
        return nullptr;
    if (kind == DriveKind::Removable) {
        const QString disk = insertedDisk(letter);
        if (!isDiskName(disk))
            return nullptr;
        std::shared_ptr<Volume> v = diskVolume(disk);
        return v->recorded() ? v : nullptr;   // the disk's record, looked at once for the step
    }
    QString folder = drive(letter).folder;
    if (folder.isEmpty())
        return nullptr;
    if (QDir::isRelativePath(folder))
        folder = hostFile(folder);
    if (!HostStamp::of(folder).isDir)
        return nullptr;
    return volumeFor(folder, folder + QStringLiteral(".vol"));
}

// ---- floppy shelf -----------------------------------------------------------

QString Machine::diskFolder(const QString& name) const { return hostFile(QStringLiteral("floppies/") + name); }

// A disk is one name on the shelf: never a path ("..", "a/b"), never a line break or another
// control character that would end its line in machine.ini.
bool Machine::isDiskName(const QString& name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// A volume label as the disk keeps it: upper case, eleven characters at the most, and nothing
// that would end its line in the disk's record.
static QString diskLabel(const QString& label)
{
    if (std::any_of(label.cbegin(), label.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
        fail(ErrBadFileName, label);
    return label.left(11).toUpper();
}

// A disk is on the shelf while its record's name is there, whether the record can be read
// or not (a damaged one makes the disk read as not formatted).
bool Machine::diskExists(const QString& name) const
{
    if (!isDiskName(name))
        return false;
    const QFileInfo record(diskFolder(name) + QStringLiteral(".vol"));
    return record.exists() || record.isSymLink();
}

std::shared_ptr<Volume> Machine::diskVolume(const QString& name) const
{
    const QString folder = diskFolder(name);
    return volumeFor(folder, folder + QStringLiteral(".vol"), true);
}

QStringList Machine::disks() const
{
    QStringList out;
    // Links to nothing and folders of a record's name too: the disk is there, its record damaged.
    const QStringList records = QDir(hostFile(QStringLiteral("floppies")))
                                    .entryList({QStringLiteral("*.vol")}, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& f : records)
        if (isDiskName(f.chopped(4)))
            out << f.chopped(4);
    return out;
}

void Machine::createDisk(const QString& name, const DiskFormat& format, bool formatted, const QString& label)
{
    if (!isDiskName(name) || format.capacity <= 0)
        fail(ErrBadFileName, name);
    const QString kept = diskLabel(label);
    const QString folder = diskFolder(name);
    QDir().mkpath(folder);
    IniDocument doc;
    const auto set = [&](const char* k, const QString& v) { doc.setValue(QStringLiteral("Volume"), QString::fromLatin1(k), v); };
    set("Kind", QStringLiteral("floppy"));
    set("Format", format.name);
    set("Capacity", QString::number(format.capacity));
    set("ClusterSize", QString::number(format.clusterSize));
    set("RootEntries", QString::number(format.rootEntries));
    set("Formatted", formatted ? QStringLiteral("1") : QStringLiteral("0"));
    set("WriteProtected", QStringLiteral("0"));
    set("Label", kept);
    const quint32 serial = qHash(name + QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)) & 0xFFFFFFFFu;
    set("Serial", QString::number(serial, 16).toUpper().rightJustified(8, u'0'));
    writeFileAtomically(folder + QStringLiteral(".vol"), doc.serialize());
    volumes_.remove(folder);
    readingVolumes_.clear();
}

void Machine::formatDisk(const QString& name, bool quick, const QString& label)
{
    if (!diskExists(name))
        fail(ErrFileNotFound, name);
    const QString kept = diskLabel(label);
    auto v = diskVolume(name);
    if (v->writeProtected())
        fail(ErrPathFileAccess, QStringLiteral("write-protected"));
    if (quick && !v->formatted())
        fail(ErrDiskNotReady, QStringLiteral("a quick format needs a formatted disk"));
    if (v->damaged()) {
        // A full format writes the disk's record afresh, of the size it names if it names one.
        const QString format = IniDocument::parse(readHostFile(v->metaFile()).value_or(QByteArray()))
                                   .value(QStringLiteral("Volume"), QStringLiteral("Format"))
                                   .value_or(QString());
        const DiskFormat known = DiskFormat::byName(format);
        QDir(v->hostRoot()).removeRecursively();
        QFile::remove(diskFolder(name) + QStringLiteral(".attr"));
        if (QFileInfo(v->metaFile()).isSymLink())
            QFile::remove(v->metaFile());
        createDisk(name, known.capacity > 0 ? known : DiskFormat::byName({}), true, label);
        dirs_.clear();
        return;
    }
    QDir(v->hostRoot()).removeRecursively();
    QDir().mkpath(v->hostRoot());
    QFile::remove(diskFolder(name) + QStringLiteral(".attr"));
    v->setMeta(QStringLiteral("Formatted"), QStringLiteral("1"));
    v->setMeta(QStringLiteral("Label"), kept);
    const quint32 serial = qHash(name + QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)) & 0xFFFFFFFFu;
    v->setMeta(QStringLiteral("Serial"), QString::number(serial, 16).toUpper().rightJustified(8, u'0'));
    volumes_.remove(v->hostRoot());
    dirs_.clear();
    readingVolumes_.clear();
}

void Machine::insertDisk(const QString& name, QChar letter)
{
    if (!diskExists(name))
        fail(ErrFileNotFound, name);
    setSetting(QStringLiteral("Drive ") + letter.toUpper(), QStringLiteral("Disk"), name);
}

void Machine::ejectDisk(QChar letter) { setSetting(QStringLiteral("Drive ") + letter.toUpper(), QStringLiteral("Disk"), QString()); }

void Machine::protectDisk(const QString& name, bool on)
{
    if (!diskExists(name))
        fail(ErrFileNotFound, name);
    diskVolume(name)->setMeta(QStringLiteral("WriteProtected"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

void Machine::labelDisk(const QString& name, const QString& label)
{
    if (!diskExists(name))
        fail(ErrFileNotFound, name);
    diskVolume(name)->setMeta(QStringLiteral("Label"), diskLabel(label));
}

// ---- current drive and folders ---------------------------------------------

void Machine::setCurrentDrive(QChar letter)
{
    letter = letter.toUpper();
    auto v = volume(letter);
    if (!v || !v->formatted())
        fail(ErrDeviceUnavailable, QString(letter));
    currentDrive_ = letter;
}

QString Machine::currentDir(QChar letter) const
{
    if (letter.isNull())
        letter = currentDrive_;
    letter = letter.toUpper();
    return winpath::join(letter, currentDirs_.value(letter));
}

void Machine::setCurrentDir(const QString& winPath)
{
    const Resolved r = resolve(winPath);
    if (r.status == Resolved::NoSuchDrive)
        fail(ErrDeviceUnavailable, winPath);
    if (r.status == Resolved::NotReady)
        fail(ErrDiskNotReady, winPath);
    if (r.status == Resolved::BadName)
        fail(ErrBadFileName, winPath);
    if (!r.ok() || !r.isDir())
        fail(ErrPathNotFound, winPath);
    currentDirs_[r.drive] = r.components;
}

// ---- host folder listings --------------------------------------------------

const Machine::DirListing* Machine::listing(const QString& hostDir, const HostStamp* dirStamp) const
{
    const HostStamp stamp = dirStamp ? *dirStamp : HostStamp::of(hostDir);
    if (!stamp.isDir)
        return nullptr;
    auto it = dirs_.find(hostDir);
    if (it != dirs_.end() && it->stamp == stamp)
        return &*it;
    DirListing l;
    if (DIR* dir = ::opendir(QFile::encodeName(hostDir).constData())) {
        while (const dirent* e = ::readdir(dir)) {
            const char* raw = e->d_name;
            if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
                continue;
            l.sorted << QFile::decodeName(raw);
        }
        ::closedir(dir);
    }
    std::sort(l.sorted.begin(), l.sorted.end(), nameLess);
    l.sortedStale = false;
    for (const QString& n : std::as_const(l.sorted)) {
        l.present.insert(n);
        if (!l.byFolded.contains(winpath::foldCase(n)))
            l.byFolded.insert(winpath::foldCase(n), n);
    }
    l.stamp = stamp;
    if (stamp.racy())
        l.stamp.mtimeNs = -1;   // listed again next time
    if (dirs_.size() > 4096)
        dirs_.clear();
    return &*dirs_.insert(hostDir, std::move(l));
}

const QStringList& Machine::DirListing::names() const
{
    if (sortedStale) {
        sorted = present.values();
        std::sort(sorted.begin(), sorted.end(), nameLess);
        sortedStale = false;
    }
    return sorted;
}

void Machine::forgetDir(const QString& hostDir) const { dirs_.remove(hostDir); }

static bool nameLess(const QString& a, const QString& b) { return winpath::listedBefore(a, b); }

void Machine::noteAdded(const QString& hostDir, const QString& name, const HostStamp* dirStamp) const
{
    auto it = dirs_.find(hostDir);
    if (it == dirs_.end())
        return;
    const QString folded = winpath::foldCase(name);
    if (!it->byFolded.contains(folded)) {
        it->byFolded.insert(folded, name);
        it->present.insert(name);
        it->sortedStale = true;
    }
    it->stamp = dirStamp ? *dirStamp : HostStamp::of(hostDir);   // what this process changed, it knows
}

void Machine::noteRemoved(const QString& hostDir, const QString& name) const
{
    auto it = dirs_.find(hostDir);
    if (it == dirs_.end())
        return;
    it->byFolded.remove(winpath::foldCase(name));
    if (it->present.remove(name))
        it->sortedStale = true;
    it->stamp = HostStamp::of(hostDir);   // what this process changed, it knows
}

QStringList Machine::listDir(const QString& hostDir) const
{
    const DirListing* l = listing(hostDir);
    return l ? l->names() : QStringList();
}

QString Machine::findInDir(const QString& hostDir, const QString& name) const
{
    bool isDir = false;
    return lookup(hostDir, name, &isDir);
}

QString Machine::findOtherSpelling(const QString& hostDir, const QString& name, const HostStamp& dirStamp) const
{
    bool isDir = false;
    return lookup(hostDir, name, &isDir, &dirStamp);
}

QString Machine::lookup(const QString& hostDir, const QString& name, bool* isDir, const HostStamp* dirStamp) const
{
    if (name.isEmpty())
        return {};
    if (!dirStamp) {
        const HostStamp exact = HostStamp::of(hostDir + u'/' + name);
        if (exact.exists) {
            *isDir = exact.isDir;
            return name;
        }
    }
    const DirListing* l = listing(hostDir, dirStamp);
    if (!l)
        return {};
    const auto stored = [&](const QString& n) {
        *isDir = HostStamp::of(hostDir + u'/' + n).isDir;
        return n;
    };
    const QString hit = l->byFolded.value(winpath::foldCase(name));
    if (!hit.isEmpty())
        return stored(hit);
    if (name.contains(u'~') && winpath::isShortName(name)) {
        const QStringList names = l->names();   // shortNameOf() may list the folder again
        for (const QString& n : names)
            if (!winpath::isShortName(n) && winpath::sameName(shortNameOf(hostDir, n), name))
                return stored(n);
    }
    return {};
}

QString Machine::shortNameOf(const QString& hostDir, const QString& longName) const
{
    if (winpath::isShortName(longName))
        return {};
    const winpath::ShortBasis basis = winpath::shortBasis(longName);
    int number = 0;
    if (const DirListing* l = listing(hostDir)) {
        const QStringList names = l->names();
        for (const QString& n : names) {
            if (winpath::isShortName(n))
                continue;
            const winpath::ShortBasis b = winpath::shortBasis(n);
            if (b.stem == basis.stem && b.ext == basis.ext) {
                ++number;
                if (n == longName)
                    break;
            }
        }
    }
    return winpath::makeShortName(basis, qMax(1, number));
}

// ---- resolution -------------------------------------------------------------

Resolved Machine::resolve(const QString& winPath) const
{
    Resolved r;
    const OneReading reading(*this);
    const winpath::Parts p = winpath::split(winPath);
    // A NUL would end the path at the host's calls ("C:\..<NUL>" is the machine's own folder
    // there, "C:\NEWF<NUL>tail" another file), so such a path goes no further; nor does one
    // with a character that Windows refuses in any name.
    for (const QString& name : p.components) {
        if (winpath::holdsBadCharacter(name)) {
            r.status = Resolved::BadName;
            r.drive = p.drive.isNull() ? currentDrive_ : p.drive;
            r.components = p.components;
            return r;
        }
    }
    if (p.unc) {
        r.status = Resolved::Unsupported;
        return r;
    }
    r.drive = p.drive.isNull() ? currentDrive_ : p.drive;
    if (driveKind(r.drive) == DriveKind::None) {
        r.status = Resolved::NoSuchDrive;
        return r;
    }
    QStringList comps = p.rooted ? QStringList() : currentDirs_.value(r.drive);
    comps += p.components;
    comps = winpath::normalise(comps);
    r.volume = volume(r.drive);
    if (!r.volume || !r.volume->formatted()) {
        r.status = Resolved::NotReady;
        r.components = comps;
        return r;
    }
    QString host = r.volume->hostRoot();
    r.lastIsDir = true;
    // A name that is there as it stands is taken at once (lookup() looks at it first), so one
    // look at the whole path, or at its folder, stands for a look at each of its levels.
    int i = 0;
    if (!comps.isEmpty()) {
        const QString full = hostPathOf(host, comps, comps.size());
        const HostStamp whole = HostStamp::of(full);
        if (whole.exists) {
            r.existing = int(comps.size());
            r.lastIsDir = whole.isDir;
            r.stamp = whole;
            r.components = comps;
            return r;
        }
        // The folder is there: only the last name is left to look for, in its other cases.
        const QString folder = full.left(full.size() - comps.last().size() - 1);
        const HostStamp f = HostStamp::of(folder);
        if (f.exists && f.isDir) {
            r.existing = int(comps.size()) - 1;
            r.folderStamp = f;
            bool isDir = false;
            const QString found = lookup(folder, comps.last(), &isDir, &f);
            if (!found.isEmpty()) {
                comps.last() = found;
                ++r.existing;
                r.lastIsDir = isDir;
            }
            r.components = comps;
            return r;
        }
    }
    for (; i < comps.size(); ++i) {
        if (!r.lastIsDir)
            break;
        bool isDir = false;
        const QString found = lookup(host, comps[i], &isDir);
        if (found.isEmpty())
            break;
        comps[i] = found;
        host += u'/' + found;
        ++r.existing;
        r.lastIsDir = isDir;
    }
    r.components = comps;
    return r;
}

} // namespace platform
