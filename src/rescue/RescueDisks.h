#pragma once
// What the boot disk and the data disk share: the texts, the Autoexec.bat both carry, the
// question between two floppies, and the end of the program on a failure that leaves a
// rescue disk unusable.
#include <QString>
#include <QStringList>

namespace vb {
class Error;
}

namespace rescue {

QString Text(int number);

// The rescue archive in the program folder, where SelWiz packs it.
QString RescueArchive();
// Deletes it, quietly: nothing but the data disk still to be written needs it.
void RemoveRescueArchive();

// True when SelWiz has left a rescue archive that holds only the staged system files and that
// the unzip program reads back whole, every entry with its checksum. Nothing is written to a
// floppy without one.
bool RescueArchiveReady();

// The ten lines of Autoexec.bat on the boot disk and on the data disk.
QStringList AutoexecLines();

// Writes `lines`, each ended by CR LF, as the file `path`. The file is closed on failure too.
void WriteTextFile(const QString& path, const QStringList& lines);

// "Please remove Disk No. n now and label it TRELVO RESCUE DISK NO. n", an empty line and
// "Please insert Disk No. n+1 now!".
QString DiskChangePrompt(int diskNo);

// A rescue disk lacks the files `missing` (one line each): says so, names them and tells
// how to try again.
void ReportMissingFiles(const QStringList& missing);

// A rescue disk could not be written: says why (the file `fileInHand` was in hand), logs
// the error with the tag `fileInHand` & " BootDisk critical" and ends the program at once,
// without QuitProgram, so that the settings file is not written.
[[noreturn]] void EndOnCriticalError(const vb::Error& error, const QString& fileInHand);

} // namespace rescue
