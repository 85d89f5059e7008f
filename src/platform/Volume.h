#pragma once
// One medium of the machine: a host folder that holds its files, plus the metadata
// kept beside that folder (never inside it): label, serial number, capacity, cluster
// size, root-directory limit, formatted and write-protected flags, and the DOS
// attributes of its files. Metadata is re-read whenever its file changed, so another
// process (trelvo-machine) can change a disk while a program runs.
#include "platform/HostStamp.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QString>
#include <memory>

namespace platform {

class IniDocument;

enum Attribute : quint32 {
    AttrNormal = 0,
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrVolume = 0x08,
    AttrDirectory = 0x10,
    AttrArchive = 0x20,
};

// FAT geometry of the floppy formats the machine knows.
struct DiskFormat {
    QString name;              // "1.44M"
    qint64 capacity = 0;       // bytes available to files on an empty disk
    qint64 clusterSize = 512;
    int rootEntries = 0;       // 0: no limit
    static DiskFormat byName(const QString& name);   // "720K", "1.44M", "2.88M" or a byte count
};

class Volume {
public:
    // `folder`: host folder of the files; `meta`: the metadata file beside it. `shelfDisk`:
    // a floppy disk of the shelf, whose record must say so (see damaged()).
    Volume(QString folder, QString meta, bool shelfDisk = false);

    const QString& hostRoot() const { return folder_; }
    const QString& metaFile() const { return meta_; }

    // Metadata (re-read when the file changed).
    // While one is alive, the metadata file and the attribute records of each volume are
    // looked at once: one file operation checks the state of a disk once, however many of
    // its values it needs. A change the process makes itself is seen at once all the same.
    class OneLook {
    public:
        OneLook();
        ~OneLook();
        OneLook(const OneLook&) = delete;
        OneLook& operator=(const OneLook&) = delete;
        // The look under way, if any, ends: what follows looks at the files again.
        static void lookAgain();
    };
    bool formatted() const;
    bool recorded() const;   // the metadata file is there (readable or not)
    // A disk of the shelf whose record is there but cannot be read as a disk's record: not
    // readable (a folder, a link to nothing), empty, or without its kind or capacity. Such a
    // disk is an unformatted one without room, never a medium with the host's free space.
    bool damaged() const;
    bool writeProtected() const;
    QString label() const;              // as stored, may be empty
    quint32 serial() const;
    bool isFloppy() const;              // capacity accounted in clusters by the machine
    qint64 clusterSize() const;
    qint64 capacity() const;            // bytes for files when empty
    int rootEntryLimit() const;         // 0 = none

    void setLabel(const QString& label);
    void setMeta(const QString& key, const QString& value, bool flush = true);   // unflushed: rewriteRecordInPlace()

    // Space. Fixed media report the host's free space; floppies count clusters as FAT12 does.
    qint64 freeBytes() const;
    qint64 totalBytes() const;
    qint64 clustersFor(qint64 size) const { return (size + clusterSize() - 1) / clusterSize(); }
    int rootEntriesUsed() const;

    // Fail with 75 when the medium is write-protected.
    void requireWritable() const;
    // Fail with 61 when growing a file from `oldSize` to `newSize` does not fit.
    void requireRoom(qint64 oldSize, qint64 newSize) const;
    // Fail with 67 when a new entry named `name` does not fit into the root folder.
    void requireRootEntry(const QString& name) const;

    // DOS attributes by path relative to the root ("/"-separated, actual case).
    quint32 attributes(const QString& rel, bool isDir) const;
    void setAttributes(const QString& rel, bool isDir, quint32 attrs);
    void forget(const QString& rel);                       // a file or a whole folder went away
    // Many at once, the record written once: setAttributes() of each, forget() of each.
    struct AttributeChange {
        QString rel;
        bool isDir = false;
        quint32 attrs = 0;
    };
    void setAttributesOf(const QList<AttributeChange>& changes);
    void forgetAll(const QStringList& rels);
    void moved(const QString& fromRel, const QString& toRel);

private:
    struct Meta;
    std::shared_ptr<Meta> parseMeta(const QByteArray& bytes) const;
    std::shared_ptr<Meta> metaOf(IniDocument doc, const QByteArray& bytes) const;   // of the record read as `bytes`
    const Meta& meta() const;
    void writeMeta(bool flush = true, bool exact = false) const;
    void loadAttributes() const;
    bool recordAttributes(const QString& rel, bool isDir, quint32 attrs);
    void saveAttributes() const;
    qint64 usedBytes() const;

    QString folder_;
    QString meta_;
    QString attrFile_;
    bool shelfDisk_ = false;
    mutable bool metaPresent_ = false;   // the record's name is there, as last looked at
    mutable std::shared_ptr<Meta> metaCache_;
    mutable HostStamp metaStamp_;
    mutable quint64 metaLook_ = 0;    // the look in which the metadata file was last checked
    mutable quint64 attrsLook_ = 0;   // the same for the attribute records
    mutable QHash<QString, std::pair<quint32, QString>> attrs_;  // folded rel -> (attrs, rel)
    mutable HostStamp attrStamp_;
    mutable bool attrsKnown_ = false;
    mutable bool attrsRead_ = false;   // attrs_ holds the records as last read or written
};

} // namespace platform
