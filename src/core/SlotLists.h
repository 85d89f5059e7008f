#pragma once
// The five configuration slots as the main window shows them.
namespace core {

// Rows 0 to 4 of Form1.List2 and Form1.List3 (one row per slot: the description padded
// to 20 characters, the date with the month's abbreviation, the time as hh:mm; a free
// slot shows its description alone), the descriptions joined by CR in Form1.Label2, and
// RestoreReq.List1 refilled from UserFiles.List1 up to its first empty entry.
// Never raises: a longer description is shown whole, a date it cannot read as stored.
void RefreshConfigList();

} // namespace core
