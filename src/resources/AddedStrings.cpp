#include "resources/AddedStrings.h"

#include <QHash>

namespace resources {

std::optional<QString> addedAppString(int number)
{
    static const QHash<int, QString> table = {
        // The closing text of an automatic save that did not save everything it was asked to.
        {2101, QStringLiteral(u"Saving was not successful. Not every file could be saved.")},
        // A file dropped on the user-file list from a folder that is no drive of this PC.
        {2110, QStringLiteral(u"This file does not lie on a drive of this PC and can not be added:")},
        // The end of a restore that put back some of the chosen files, not all; the lines
        // after it name each file or item that was not restored and why.
        {2120, QStringLiteral(u"Not all files were restored!")},
        // Why an item was not restored: its archive is missing (the path follows) ...
        {2121, QStringLiteral(u"archive not found: ")},
        // ... its archive cannot be unpacked (the path follows) ...
        {2122, QStringLiteral(u"archive damaged or unreadable: ")},
        // ... the archive does not hold it ...
        {2123, QStringLiteral(u"not in the archive")},
        // ... some of the files the archive holds could not be written ...
        {2124, QStringLiteral(u"some of its files could not be written")},
        // ... the archive holds the files of another temporary folder than this PC's (it follows).
        {2125, QStringLiteral(u"saved from another temporary folder than ")},
    };
    const auto found = table.constFind(number);
    if (found == table.constEnd())
        return std::nullopt;
    return *found;
}

} // namespace resources
