#pragma once
// The "zip" behaviour: a Windows zip.exe command line carried out with the host's Info-ZIP
// zip, so that the archive holds what zip on the machine's own system would write.
#include "platform/Process.h"

namespace platform::infozip {

// Option letters: the level digit, q, u, g, o, r, m and S. Sources are Windows paths whose
// last part may hold DOS wildcards; the archive and the sources resolve against the
// machine's current folders. Exit codes are zip's: 0, 12 nothing to do (no archive is made),
// 14 the archive could not be written (disk full), 15 it could not be created, 16 bad options.
proc::Outcome runZip(const proc::Invocation& inv);

} // namespace platform::infozip
