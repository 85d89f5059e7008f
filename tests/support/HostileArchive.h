#pragma once
// Archives changed behind the program's back, as a hand or another program may change them:
// entries added with the host's own zip, under exactly the names given, so that an archive
// of a configuration holds files of places it was never made for.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace testsupport {

// Adds to the zip archive at `hostArchive` one entry per pair: the name as stored ("/"
// between folders) and its bytes.
void addEntries(const QString& hostArchive, const QList<QPair<QString, QByteArray>>& entries);

} // namespace testsupport
