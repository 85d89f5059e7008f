#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace platform {

// Replaces `hostPath` by `bytes`: a temporary file beside it, renamed over it.
// Throws SysError(75) when the folder cannot take the file.
void writeFileAtomically(const QString& hostPath, const QByteArray& bytes);

// A file time that lies so close to now that a later change within the same tick of
// the host's clock would not move it; caches must not trust such a time.
bool isRacy(const QDateTime& modified);

} // namespace platform
