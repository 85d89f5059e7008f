#pragma once
// Moving a finished archive from the program folder onto floppies: whole when it fits on
// the disk in the drive, otherwise in pieces, one per disk, each filling its disk. Piece n
// of A:\Conf1.tva is A:\Conf1.tvn (Conf1.tv1 ... Conf1.tv9, Conf1.tv10, ...). Every further
// disk is labelled with the number after the label of the disk just filled ("SAVE#1" ->
// "SAVE#2"). SplitPieceCount (CopyState.h) tells how many pieces the last archive took.
#include "backup/CopyState.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace backup {

// Copies or splits `source` into `targetFolder` (the floppy folder, SplitTargetPath, with
// its "\"). Before the call DiskNo is the number of the disk in the drive, which carries a
// label ending in that number. A disk that takes a part of the archive keeps no other part
// of an archive of that name (older pieces, or the whole archive of an earlier copy), so
// that joining never picks up a stranger's bytes. A further disk that cannot take its
// label when it comes in (write-protected, freed after a Retry) gets it once a piece has
// been written to it. `prompt` replaces the text of the first disk-change
// question and is emptied once shown. True when the whole archive is on the floppies;
// only then is `source` deleted. A failed copy is reported here and keeps the source; with
// `onFault` a failed write goes there instead (Retry or give up). `furtherDisk`, when given,
// runs once each further disk has come in, before anything of the archive is written to it.
bool CopyArchiveToDisk(const QString& source, const QString& targetFolder, QString& prompt, const CopyFault& onFault = {},
                       const std::function<void()>& furtherDisk = {});

// Writes `source` as pieces of `target` (the full name of the whole archive on the floppy),
// the first one into `freeSpace` bytes of the disk in the drive; `freeSpace` comes back as
// what is left on the last disk. Between pieces the next disk is asked for (OK or Cancel); a
// disk without a free cluster, the one just filled among them, is refused and asked for
// again. False when the user gave up (Cancel, or Abort/Ignore after a failure, or `onFault`
// said so in their place); the pieces written so far stay on their disks.
bool SplitFileToDisks(const QString& source, const QString& target, qint64& freeSpace, QString& prompt,
                      const CopyFault& onFault = {}, const std::function<void()>& furtherDisk = {});

// Bytes per allocation unit of the drive named by `root` ("A:\", "A:" or "A"); -1, after a
// message, when it cannot be found out.
qint64 GetAllocUnit(const QString& root);

// `count` rounded up to whole allocation units of the drive of `path`; `count` itself when
// the unit cannot be found out.
qint64 RoundToAllocUnit(qint64 count, const QString& path);

// The names of the parts of the archive `target` (A:\Conf1.tva: Conf1.tva, Conf1.tv1,
// Conf1.tv2, ..., Conf1.tv10, ...) that lie in its folder; none when it cannot be read.
QStringList ArchiveParts(const QString& target);

// Deletes every part of the archive `target` in its folder except the file `keep`; failures
// are passed over.
void RemoveArchiveParts(const QString& target, const QString& keep = {});

// Labels the disk in the drive of `root`; false when the disk cannot take it.
bool LabelDisk(const QString& root, const QString& label);

// The label for the disk after the one labelled `lastLabel`: its trailing number plus one
// ("SAVE#9" -> "SAVE#10"). A label without a number (an unlabelled disk reads "NoName")
// gives "Save#" followed by the disk number after `diskNo`.
QString NextDiskLabel(const QString& lastLabel, int diskNo);

} // namespace backup
