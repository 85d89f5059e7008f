#pragma once
// An archive of a configuration is untrusted: a save wrote it, but it may have been changed
// since, or come from another PC on a disk or through the import. Before anything of it is
// unpacked, each of its entries (read once from the archive's central directory) is sorted
// against the place the archive may fill: the files and folders of its own items. Only the
// entries of the chosen items in that place are unpacked; the unzip command lines name them,
// or name the others to leave out, so that unzip writes nothing else. An entry outside the
// place is refused, and the restore names it.
#include "platform/ZipArchive.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace restore {

// One part of the place an archive may fill: a file, or a folder with everything below it.
// A folder that is a drive root, or that holds the Windows folder or the program folder, is
// no place for an archive: nothing lands in it.
struct Spot {
    QString path;   // a Windows path
    bool tree = false;
};

// The entries of an archive by where they land when it is unpacked below a drive root.
struct SortedEntries {
    QList<platform::zip::ZipEntry> take;      // in the place and wanted
    QList<platform::zip::ZipEntry> leave;     // in the place, but not wanted
    QList<platform::zip::ZipEntry> refused;   // outside the place, or a name that leads to no one place
};

// `spotWanted` tells whether a spot (its index in `place`) is wanted. `fileWanted`, when given,
// tells further which files of a wanted spot are (by the LandingKey of the root and the entry's
// name, short names as they stand); the folders of a wanted spot then go only where the unzip
// run takes the whole archive.
SortedEntries SortEntries(const QList<platform::zip::ZipEntry>& entries, const QString& root, const QList<Spot>& place,
                          const std::function<bool(int)>& spotWanted,
                          const std::function<bool(const QString&)>& fileWanted = {});

// A Windows path as SortEntries compares it: the drive and the names, without the blanks and
// full stops that Windows drops at their ends, in folded case, joined by "\".
QString LandingKey(const QString& winPath);

// The entry as the user reads it: "\" between its names, a character that cannot be shown as "?".
QString EntryShown(const platform::zip::ZipEntry& entry);

// What follows the archive on each unzip command line so that the runs together unpack exactly
// `sorted.take`: an empty text (the whole archive), "-x" and the entries to leave out, or the
// entries to unpack, spread over as many runs as a command line's length asks for (one whose
// pattern also takes an entry left out in a run of its own). No run at all when nothing is to
// be unpacked.
QStringList UnzipFileArguments(const SortedEntries& sorted);

// Whether unpacking what is left out as well (and removing it again) costs less than the runs
// of UnzipFileArguments(sorted). unzip holds every entry of the archive against every name on
// its command line, so runs that name thousands of entries of an archive of thousands cost
// the square of their number, while unpacking the rest costs its bytes and files: with half of
// 20,000 files chosen, many seconds against one or two.
bool UnpackingAllIsCheaper(const SortedEntries& sorted);

// The unzip command lines that unpack exactly `sorted.take` of the archive `quotedArchive`
// (a Windows path in double quotes) below the folder `root`, each with `options` ("-o", "-qo").
QStringList UnzipCommandLines(const QString& options, const QString& quotedArchive, const SortedEntries& sorted, const QString& root);

} // namespace restore
