#pragma once
// What the Info-ZIP adapters need between the host and the machine: a scratch folder on
// the host for the host programs to work in, and the copy of a file they made onto the
// machine through its file layer.
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace platform {

// A folder on the host, removed with everything in it when the object goes, whatever
// permissions and names the host's unzip gave the things in it. Its name carries the
// process's id; the first one a process makes in a folder removes there those of processes
// that are gone.
class ScratchDir {
public:
    // In `near` (a host folder) when given and possible, so that what the host program made
    // there can be renamed onto the machine; else in the host's temporary folder.
    explicit ScratchDir(const QString& near = {});
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool isValid() const { return dir_->isValid(); }
    QString path() const { return dir_->path(); }
    QString filePath(const QString& name) const { return dir_->filePath(name); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// While one is alive, what host programs write into a folder (the files directly in it) is
// sent on its way to the disk every tenth of a second, from a thread of its own. A flush at
// the end then finds little left to write: hundreds of megabytes of archive would otherwise
// wait in memory for it, and the flush would wait for all of them after the program.
class WriteAhead {
public:
    explicit WriteAhead(const QString& folder);
    ~WriteAhead();
    WriteAhead(const WriteAhead&) = delete;
    WriteAhead& operator=(const WriteAhead&) = delete;

private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

// Removes the scratch folders that processes of the machine's programs left when they were
// killed or crashed (their process is gone; those of running ones stay): in `folder`, or,
// without one, wherever they are made (the host's temporary folder and the folders that
// hold the machine's drives).
void removeStaleScratchFolders(const QString& folder);
void removeStaleScratchFolders();

namespace fs {

// Copies a host file to `winPath` on the machine as a write of the programs would:
// the write protection, a read-only file in the way, the entries of a root folder and the
// room on the disk are checked before anything is written (SysError as for writeAll).
// The copy gets the host file's modification time; a file it replaces keeps its
// attributes and gets the archive bit, as after any write. The copy takes the place of the
// file whole (see copyFile); with `alwaysFlush` a new file reaches the disk before it gets
// its name, as a replacement always does.
void importHostFile(const QString& hostFile, const QString& winPath, bool alwaysFlush = false);

// The same with the host file's bytes themselves: on the same host file system the file is
// renamed into its place (after the checks, and after its bytes reached the disk when it
// replaces a file or with `alwaysFlush`), otherwise copied as importHostFile() copies it.
// A renamed host file is gone afterwards; a copied one, and one refused by a check, stays.
void moveHostFile(const QString& hostFile, const QString& winPath, bool alwaysFlush = false);

} // namespace fs
} // namespace platform
