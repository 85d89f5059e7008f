#pragma once
// Getting a floppy ready to be written: the check of the save (format it, try another
// disk, or use it as it is), the blank test of the rescue wizard, and the format dialog.
#include <QString>

namespace backup {

// `path` is on the floppy (the drive root "A:\" or a folder on it). True: write to the
// disk in the drive (empty, accepted as it is, or a medium over 3,000,000 bytes, which is
// no floppy). False: the user wants to insert another disk.
bool PrepareFloppy(const QString& path);

// While one lives (around the floppy phase of a save), PrepareFloppy refuses to format a
// disk that NoteDiskInUse has named (a part of the save is on it) and asks for another disk
// instead.
class DisksInUse {
public:
    DisksInUse();
    ~DisksInUse();
    DisksInUse(const DisksInUse&) = delete;
    DisksInUse& operator=(const DisksInUse&) = delete;
};

// The disk now in the drive of `root` holds a part of the save (by its serial number);
// nothing when no DisksInUse lives.
void NoteDiskInUse(const QString& root);

// The wizard's test before it writes a rescue disk: true when the disk in `drive` can be
// read and holds nothing. Makes the wizard's Cancel button and its label visible first;
// `drive` is cut to its letter and colon.
bool CheckBlankFloppy(QString& drive);

// The machine's format dialog for drive A:, modal; the hourglass, when shown, is put
// aside while it is open.
void FormatFloppyA();

} // namespace backup
