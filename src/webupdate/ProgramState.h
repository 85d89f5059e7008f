#pragma once
// The update program's shared variables, under the names the program has always used.
// One instance per process; tests reset it.
#include <QString>

namespace webupdate {

struct ProgramState {
    // The installation folder after start-up; during a connect pass the download folder
    // (the installation folder followed by "\updates\"); after a download the full path
    // of the downloaded file.
    QString gsInstallDir;
    QString gsMajorVersion;       // the installed version, as read from the registry
    qint16 giMinorVersion = 0;
    QString gsDefaultConnection;  // the default dial-up connection's name

    // The six fields of the update list; gsNewMajor not empty means a list was read.
    QString gsNewMajor;
    QString gsNewMinor;
    QString gsUpdateText1;
    QString gsUpdateFile;
    QString gsUpdateText2;
    QString gsUpdateSize;

    qint32 glDownloadedSize = 0;  // not 0: a download passed its length check
    QString gsLastError;          // the fetcher's error text of its last fetch; empty: success
};

ProgramState& state();
void resetState();

} // namespace webupdate
