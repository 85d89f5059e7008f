#pragma once
// A walk over a tree of folders on one of the machine's drives, as the file search makes
// it: each host folder is read once, in one pass over its entries, and the names found are
// turned into Windows paths by appending them to the folder's path, without resolving each
// entry anew. The walk never follows a symbolic link to a folder (a link to a file is a
// file), lists no host folder twice, and leaves out what the machine cannot name: names
// outside the code page or with characters Windows does not allow in a name, and paths
// longer than the system's file functions take. On a removable drive it lists no folder once
// the disk it began on has left the drive.
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <utility>

namespace platform::fs {

class FolderWalk {
public:
    // The folder to start at, a Windows path with or without its trailing "\"; found once,
    // as every path of the programs is (a relative one below the drive's current folder).
    explicit FolderWalk(const QString& start);

    // The start folder exists, is a folder and its path is not too long.
    bool ok() const { return !start_.isEmpty(); }
    // Its full Windows path, in the case stored on the drive, ending with "\"; empty when
    // the start folder cannot be walked.
    const QString& start() const { return start_; }

    struct Listing {
        bool listed = false;   // false: not a folder of this walk, already listed, or unreadable
        QStringList files;     // the names of its files, in the order the machine lists them
        QStringList folders;   // the names of its subfolders, in the same order
    };
    // One folder: the start folder, or a subfolder from an earlier listing, named as
    // folder & name & "\". Each folder is listed once; asking again lists nothing.
    Listing list(const QString& winFolder);

private:
    QString start_;
    // A removable drive's disk at the start; a folder of the walk is listed only while the
    // drive still holds it.
    QChar removableDrive_;
    QString diskRoot_;
    QHash<QString, QByteArray> pending_;   // Windows folder (with "\") -> host folder, not yet listed
    QSet<std::pair<quint64, quint64>> seen_;   // device and inode of every folder listed
    bool startListed_ = false;
};

} // namespace platform::fs
