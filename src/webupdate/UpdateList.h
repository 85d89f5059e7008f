#pragma once
// The update list: the one-line file skyfetch.txt on the update server, whose first item
// holds six fields separated by ";": major version, minor version, first description line,
// file name of the update, second description line, length of the update in bytes. The
// update files lie beside it on the server.
#include <QString>
#include <QStringList>
#include <optional>

namespace vb {
class TextBox;
}

namespace webupdate {

// The list's fields when the item is a list this program can use: at least six fields,
// whole or decimal version numbers, a plain file name (no folder, no drive, no wildcard, no
// DOS device such as CON or LPT1.TXT)
// and a length of 1 byte or more. Fields after the sixth are dropped.
std::optional<QStringList> SplitUpdateList(const QString& item);

enum class ListRead { Split, Retry };

// Reads the list fetched into `workingFolder` (which ends in "\") and deletes it. A missing
// or empty file, and an item that is empty or no usable list (each with its own text), are
// reported with "Retry" and "Cancel"; Cancel ends the program, Retry at the item's check
// asks the connect pass to try again. Otherwise the item is left in `text` and split into
// the six list variables.
ListRead ReadUpdateList(const QString& workingFolder, vb::TextBox& text);

// A newer version than the installed one is announced: newer as a whole, the major numbers
// compared first and the minor ones only between equal major numbers, so that an older
// version with a higher minor number (1.6 under 2.5) is never offered as an update.
bool UpdateOffered();
// `shown` followed by the offer: the two description lines between messages 1018 and 1028.
QString OfferText(const QString& shown);
// Says that there is no update and ends the program.
[[noreturn]] void ReportNoUpdate();

// The address of the update file on the server.
QString DownloadAddress();
// glDownloadedSize = the length of the file gsInstallDir names. A length other than the one
// the list announced, or a transfer that broke off, is reported and ends the program (the
// file stays where it is).
void CheckDownloadedLength();

} // namespace webupdate
