#include "resources/AddedStrings.h"

#include <QHash>

#include <utility>

namespace resources {

std::optional<QString> addedAppString(int number)
{
    // Two texts under one number would silently hide one of them: the table refuses that at once.
    static const QHash<int, QString> table = [] {
        const std::pair<int, QString> rows[] = {
        // The closing text of an automatic save that did not save everything it was asked to.
        {2101, QStringLiteral(u"Saving was not successful. Not every file could be saved.")},
        // The name an automatic save gives its configuration, followed by the slot's number.
        {2102, QStringLiteral(u"AutoKeep #")},
        // A file dropped on the user-file list from a folder that is no drive of this PC.
        {2110, QStringLiteral(u"This file does not lie on a drive of this PC and can not be added:")},
        // A configuration whose folder cannot stand on a command line (the folder follows).
        {2119, QStringLiteral(u"This configuration cannot be restored from its folder:")},
        // The end of a restore that put back some of the chosen files, not all; the lines
        // after it name each file or item that was not restored and why.
        {2120, QStringLiteral(u"Not all files were restored!")},
        // Why an item was not restored: its archive is missing (the path follows) ...
        {2121, QStringLiteral(u"archive not found: ")},
        // ... its archive cannot be unpacked (the path follows) ...
        {2122, QStringLiteral(u"archive damaged or unreadable: ")},
        // ... the archive does not hold it ...
        {2123, QStringLiteral(u"not in the archive")},
        // ... some of the files the archive holds could not be written ...
        {2124, QStringLiteral(u"some of its files could not be written")},
        // ... the archive holds the files of another temporary folder than this PC's (it follows).
        {2125, QStringLiteral(u"saved from another temporary folder than ")},
        // A restore whose restart Windows refused.
        {2126, QStringLiteral(u"Your computer could not be restarted.")},
        {2127, QStringLiteral(u"Please restart it yourself to complete the restore.")},
        // A restore stopped after system files were put in place or listed for the restart.
        {2128, QStringLiteral(u"Restoring stopped.")},
        {2129, QStringLiteral(u"Your system files will be completed when the computer is restarted next.")},
        // The browser and mail items, as the end of a restore names those not restored.
        {2190, QStringLiteral(u"Microsoft Windows Adressbook")},
        {2191, QStringLiteral(u"Microsoft Internet Explorer Bookmarks")},
        {2192, QStringLiteral(u"Microsoft Internet Explorer Cookies")},
        {2193, QStringLiteral(u"Microsoft Outlook Express Mailbox")},
        {2194, QStringLiteral(u"Netscape Navigator Bookmarks")},
        {2195, QStringLiteral(u"Netscape Navigator Cookies")},
        {2196, QStringLiteral(u"Netscape Messenger Mailbox")},
        // Why a restore did not unpack an entry of an archive: it would land outside the files
        // and folders of that archive's own items (the entry and its archive are named) ...
        {2197, QStringLiteral(u"not where this archive may write")},
        // ... and the number of such entries of one archive that are not named one by one.
        {2198, QStringLiteral(u"further entries")},
        // The rescue disk wizard: no rescue archive came of the packing, so no floppy is touched.
        {2140, QStringLiteral(u"The rescue archive Configd.tva could not be made. Nothing has been written to the floppy disk.")},
        // A rescue disk that lacks files it needs, followed by their names, and how to try again.
        {2141, QStringLiteral(u"The Rescue Disk is not complete. These files could not be written to it:")},
        {2142, QStringLiteral(u"Please insert a blank floppy disk and click on 'Next >' to try again.")},
        // An update of the data disk that stopped once the old rescue archive was gone.
        {2143, QStringLiteral(u"The update of the Rescue Disk was stopped before it was finished. Your Rescue Disks are now "
                              u"incomplete and can not be used to restore your System Configuration.")},
        {2144, QStringLiteral(u"Please insert [RESCUE DISK NO.2] and click on 'Next >' to run the update again.")},
        // An update stopped before any further disk was written: the old archive went back
        // onto the data disk (asked for again when another disk is in the drive).
        {2145, QStringLiteral(u"The update of the Rescue Disk was stopped. The old rescue archive has been put back on "
                              u"[RESCUE DISK NO.2]: your Rescue Disks are as they were before the update.")},
        {2146, QStringLiteral(u"Please insert [RESCUE DISK NO.2] again, so that its old rescue archive can be put back, "
                              u"and click on 'OK'.")},
        // The next start after an update that was cut short (the program killed, a power cut):
        // the old archive can go back onto the data disk when no further disk took a part of
        // the new one; otherwise, or when the user does not want that, the set is incomplete.
        {2147, QStringLiteral(u"The last update of the Rescue Disk was interrupted before it was finished. The old rescue "
                              u"archive of [RESCUE DISK NO.2] was kept and can be put back, so that your Rescue Disks are "
                              u"as they were before the update. Please insert [RESCUE DISK NO.2] and click on 'OK'.")},
        {2148, QStringLiteral(u"The last update of the Rescue Disk was interrupted before it was finished. Your Rescue "
                              u"Disks are now incomplete from [RESCUE DISK NO.2] on and can not be used to restore your "
                              u"System Configuration.")},
        {2149, QStringLiteral(u"Please run the update again: click on 'Rescue Disk Wizard' on the 'Tools' page and choose "
                              u"'Update Rescue Disk (only Data Disk)'.")},
        // A file chosen or dropped for the user-file list whose name Windows cannot store (a
        // character outside its character set, or one a name may not hold); the name follows.
        {2160, QStringLiteral(u"The name of this file holds characters that Windows can not store, so it can not be added:")},
        // A write to a floppy of a save failed: what to do before Retry, after the cause
        // (write-protected, no disk, full, or another failure) and the file.
        {2130, QStringLiteral(u"Remove the write protection of the disk and click on 'Retry'.")},
        {2131, QStringLiteral(u"Insert the disk again and click on 'Retry'.")},
        {2132, QStringLiteral(u"Insert another disk or make room on this one, and click on 'Retry'.")},
        {2133, QStringLiteral(u"Click on 'Retry' to try again.")},
        // The end of a save that did not put everything where it belongs; the parts follow,
        // each headed by its line and naming the files (or, for what did not reach the
        // floppies, the parts of the configuration).
        {2170, QStringLiteral(u"The configuration was saved, but not all of it.")},
        {2171, QStringLiteral(u"Not saved:")},
        {2172, QStringLiteral(u"Not copied to the floppy disks, so not part of this configuration:")},
        {2173, QStringLiteral(u"The description files are not on the floppy disks; they lie in the program folder:")},
        // After either end message of a save: user files that are gone, taken off the list.
        {2174, QStringLiteral(u"Not found and removed from the User File List:")},
        // The status line after such a save.
        {2175, QStringLiteral(u"Saving finished, but not everything was saved")},
        // Why an archive of a save is not there: the zip run ended with an error (its exit
        // code follows), or without an exit code at all.
        {2176, QStringLiteral(u"zip.exe ended with ")},
        {2177, QStringLiteral(u"zip.exe ended with no exit code")},
        // The user files of a save, as its end message names them when they were not saved.
        {2178, QStringLiteral(u"user-defined Files")},
        // "Formatting..." chosen for a disk that already holds a part of the save under way.
        {2180, QStringLiteral(u"This disk holds a part of the configuration being saved and must not be formatted!")},
        {2181, QStringLiteral(u"Please insert another disk.")},
        // The end of a save of which nothing could be saved (or whose description could not be
        // written): the slot is free; what failed and why follows. Also its status line.
        {2200, QStringLiteral(u"The configuration could not be saved!")},
        // A save with nothing selected.
        {2185, QStringLiteral(u"There is nothing to save: no file is selected!")},
        {2186, QStringLiteral(u"Please select the files to save on the 'Options' page or in the 'Other Files' window.")},
        // trelvo.ini could not be written; its path and the reason follow on lines of their own.
        {2250, QStringLiteral(u"Trelvo could not save its settings into this file:")},
        // The end of a save whose list of user files (the path follows) could not be read: the
        // files it lists are not saved, and why follows (a file error, or the text below).
        {2297, QStringLiteral(u"User-defined files listed in ")},
        // A list file whose first line is not the number of its entries: no list the program wrote.
        {2298, QStringLiteral(u"the file is damaged, it is not a list of files")},
        // A save folder inside one of the program's own work folders (the folder follows).
        {2251, QStringLiteral(u"This folder lies in a folder that Trelvo uses for its own work and empties, so it can not keep a configuration:")},
        {2252, QStringLiteral(u"Please choose another folder for your configurations.")},
        // Files that a restore listed for replacement at the next start while no restart came:
        // at the start (2300) or before a later restore restarts the computer (2304), the
        // restores follow by name (2307 when none is known), then the files (after 2301), then
        // what Yes (2302 or 2305) and No (2303) do. An automatic run logs 2306 and withdraws them.
        {2300, QStringLiteral(u"The restore of this configuration was interrupted before the computer was restarted:")},
        {2301, QStringLiteral(u"These files were to be replaced when the computer starts next:")},
        {2302, QStringLiteral(u"Click on 'Yes' to restart the computer now and complete the restore.")},
        {2303, QStringLiteral(u"Click on 'No' to withdraw it: the files stay as they are now.")},
        {2304, QStringLiteral(u"The restore of this configuration has not been completed yet:")},
        {2305, QStringLiteral(u"Click on 'Yes' to have these files replaced as well when this restore restarts the computer.")},
        {2306, QStringLiteral(u"The replacements were withdrawn: the files stay as they are now.")},
        {2307, QStringLiteral(u"(a configuration of which no record is left)")},
        // The automatic save's own folder chosen for an ordinary save (the folder follows).
        {2253, QStringLiteral(u"This folder holds Trelvo's automatic saves, so it can not keep another configuration:")},
        // The status line: between the count of files done and the count of all of them
        // ("Updating UserFiles: 120 of 5000"), and after a save or a restore that stopped early.
        {2260, QStringLiteral(u" of ")},
        {2261, QStringLiteral(u"Saving stopped")},
        {2262, QStringLiteral(u"Restoring stopped")},
        // The registry file of this PC cannot be read whole, at start-up: its path, the line and
        // what is wrong with it (one of the texts after it) follow; then what that means.
        {2270, QStringLiteral(u"The registry of this PC can not be read completely:")},
        {2271, QStringLiteral(u"the file is missing")},
        {2272, QStringLiteral(u"a folder stands in place of the file")},
        {2273, QStringLiteral(u"the file is a link to nothing")},
        {2274, QStringLiteral(u"the file can not be read")},
        {2275, QStringLiteral(u"the file is empty")},
        {2276, QStringLiteral(u"the first line is not REGEDIT4")},
        {2277, QStringLiteral(u"a key name without its closing ]")},
        {2278, QStringLiteral(u"a key below no known root (such as HKEY_LOCAL_MACHINE)")},
        {2279, QStringLiteral(u"a value whose name or data can not be read")},
        {2280, QStringLiteral(u"a value before the first key")},
        {2281, QStringLiteral(u"neither a key nor a value")},
        {2282, QStringLiteral(u"the file ends within this line: it may be cut short")},
        {2283, QStringLiteral(u"The folders of the Start menu and of the browser and mail data that it names may be unknown. "
                              u"Trelvo keeps your choice of them; a save names those it can not find.")},
        {2284, QStringLiteral(u"line")},
        // Why a chosen item was not saved: the registry named no folder for it.
        {2286, QStringLiteral(u"the folder is unknown")},
        // The log lines of a schedule of the automatic save (AutoKp.ini) that cannot be read or
        // followed: the file (and the line) and why, one of 2271 to 2275 or of the texts below.
        {2290, QStringLiteral(u"The schedule of the automatic save can not be read:")},
        {2291, QStringLiteral(u"The schedule of the automatic save is damaged:")},
        {2292, QStringLiteral(u"the mode is none of 0 to 4")},
        {2293, QStringLiteral(u"the next slot is not a number")},
        {2294, QStringLiteral(u"the file ends before its eighth line")},
        // The automatic save could not write its schedule back.
        {2295, QStringLiteral(u"The schedule of the automatic save could not be written:")},
        // A write that found its drive full while pieces from floppies were joined (or a file
        // copied whole): the drive written to follows.
        {2296, QStringLiteral(u"The drive it is written to is full:")},
        };
        QHash<int, QString> byNumber;
        for (const auto& [number, text] : rows) {
            if (byNumber.contains(number))
                qFatal("added text %d is given twice", number);
            byNumber.insert(number, text);
        }
        return byNumber;
    }();
    const auto found = table.constFind(number);
    if (found == table.constEnd())
        return std::nullopt;
    return *found;
}

} // namespace resources
