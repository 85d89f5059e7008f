#pragma once
// The "unzip" behaviour: a Windows Unzip32.exe command line carried out with the host's
// Info-ZIP unzip, extracting onto the machine through its file layer.
#include "platform/Process.h"

namespace platform::infozip {

// "-[C][q][o] archive [patterns] [-d folder]"; "-t[q] archive [patterns]" tests the entries
// (every one read back and its checksum compared) and writes nothing. Entries are merged into the target folder
// without regard to the case of existing folders and get the attributes stored in the
// archive; an entry that unzip could not unpack whole (damaged data, a checksum that does
// not hold) is not extracted at all, so a file in its place stays as it was. Exit codes are
// unzip's: 0, 1 warnings (also a read-only file or an unsafe entry that was refused),
// 2 error, 9 no zip archive, 10 bad options, 11 no matching files, 50 disk full.
proc::Outcome runUnzip(const proc::Invocation& inv);

} // namespace platform::infozip
