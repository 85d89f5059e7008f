#pragma once
// Starting other programs: the zip programs (hidden, waited for) and the update program
// (normal window, not waited for). A program named without a folder is started from the
// program folder by its full path, so a current folder changed by a file dialog does not
// matter.
#include <QString>
#include <optional>

namespace core {

// Runs the command line with a hidden window and blocks until the child has ended, then
// lets pending window events run once. A child that cannot be started raises its run-time
// error (53 for a missing program); how the child ended is not judged here.
void ShellAndWait(const QString& commandLine);

// The exit code of the last child ShellAndWait waited for; nullopt before the first one.
std::optional<int> LastExitCode();

// What that child wrote to its console (the zip programs' messages); "" before the first.
QString LastOutput();

// Starts the command line with a normal window and returns at once. A missing program is
// reported with "File not found! skyfetch.exe"; other failures are ignored.
void ShellProgram(const QString& commandLine);

} // namespace core
