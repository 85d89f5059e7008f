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
    };
    const auto found = table.constFind(number);
    if (found == table.constEnd())
        return std::nullopt;
    return *found;
}

} // namespace resources
