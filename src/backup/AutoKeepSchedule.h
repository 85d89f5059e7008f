#pragma once
// The schedule of the automatic save (AutoKeep): the line file AutoKp.ini in the program
// folder and what the main window shows of it. Eight lines, each ended by CR LF:
//   1  the mode, the index of Form1.Combo1 (0 "Disabled" .. 4 "User defined"), as a number
//   2  the date of the last automatic save, day/month/year without blanks
//   3  the next automatic-save slot, as a number (0..3; 4 after a save into slot 4)
//   4  the interval in days, the text of Form1.Text3
//   5..8  the rows of Form1.List1, "#1 : " .. "#4 : " followed by a date or "Not Saved"
// A number is written with a blank (or "-") in front and one blank after it: 0 is " 0 ".
// Nothing here decides when a save is due; the marker Keep.go at start-up is the only trigger.
#include <QString>

namespace backup {

// AutoKp.ini and Keep.go in the program folder.
QString AutoKeepScheduleFile();
QString AutoKeepMarkerFile();

// Whether this start is an automatic run: Keep.go is there and the mode in AutoKp.ini is
// not "Disabled". Read from the files alone, before any window has loaded them. A schedule
// that is there but cannot be read, or whose mode is none of the five, is not "Disabled";
// no schedule at all is (its default is).
bool AutomaticRunWanted();

// The row of automatic-save slot k (1..4) in Form1.List1: "#k : " & text.
QString AutoKeepSlotRow(int k, const QString& text);

// Runs once at start-up, the main window loaded but hidden. Adds the five modes to
// Form1.Combo1, writes the default file when there is none, reads the file into Combo1,
// Text3, List1, AutoKeepLastDate and AutoKeepNextSlot (a slot of 4 or more, or below 0,
// reads as 0), and runs the countdown window FrmAutoKeep when Keep.go is present and the
// mode is not "Disabled"; that run ends the process. Nothing fails: an unreadable line
// leaves its target as it was, and a mode that cannot be read leaves the list without a
// choice (not "Disabled"). A schedule that cannot be read or followed is logged with the
// file and its first line at fault. A slot row is shown as saved only when its line says so and
// the slot's description file lies in the AutoKeep folder; any other row reads
// "#k : Not Saved".
void LoadAutoKeepSettings();

// The mode change of Form1.Combo1: sets Text3 from the mode ("0", "1", "7", "30"; for "User
// defined" asks for the days while the main window is visible and takes a non-empty answer
// as typed) and rewrites AutoKp.ini. While the schedule is being read it only sets Text3.
// An error ends it silently.
void Form1_Combo1_Click();

// Rewrites AutoKp.ini whole from the values given and rows 0 to 3 of Form1.List1. `interval`
// is written as it stands. Raises the error of the file, which is left closed.
void WriteAutoKeepSchedule(int mode, const QString& lastDate, int nextSlot, const QString& interval);

} // namespace backup
