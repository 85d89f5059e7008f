#pragma once
// The "unzip" behaviour: a Windows Unzip32.exe command line carried out with the host's
// Info-ZIP unzip, extracting onto the machine through its file layer.
#include "platform/Process.h"
#include "platform/ZipArchive.h"

namespace platform::infozip {

// "-[C][q][o] archive [patterns] [-x patterns] [-d folder]"; "-t[q] archive [patterns]" tests the entries
// (every one read back and its checksum compared) and writes nothing. Entries are merged into the target folder
// without regard to the case of existing folders and get the attributes stored in the
// archive; an entry that unzip could not unpack whole (damaged data, a checksum that does
// not hold) is not extracted at all, so a file in its place stays as it was. Exit codes are
// unzip's: 0, 1 warnings (also a read-only file or an unsafe entry that was refused),
// 2 error, 9 no zip archive, 10 bad options, 11 no matching files, 50 disk full.
// An entry that unzip refuses to write outside its target folder ("..", a root, a drive) is
// left out, and said so (exit code 1) when the command line names no files to unpack or leave
// out; a caller that names them has looked at the entries itself.
proc::Outcome runUnzip(const proc::Invocation& inv);

// The file pattern of unzip that takes `entry`: its stored bytes, with "[", "*" and "?" taken
// literally, and each byte beyond ASCII, "\", a control character and a double quote as "?"
// (unzip reads such bytes through a code page, a command line turns "\" into "/", and the others
// would end the pattern's quotes or the argument, so they cannot be named as they are stored). Such
// a pattern may take other names too: those of the same length that hold the same bytes
// wherever it names one as stored (patternTakes).
QString literalPattern(const zip::ZipEntry& entry);
// Whether the pattern of the entry stored as `patternRaw` takes the entry stored as `raw`.
bool patternTakes(const QByteArray& patternRaw, const QByteArray& raw);

} // namespace platform::infozip
