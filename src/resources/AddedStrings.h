#pragma once
// Texts the main program needs beyond its generated string table, numbered from 2101 on so
// that they never meet a number of the table. LoadResString looks here when the table has
// no text for a number.
#include <QString>
#include <optional>

namespace resources {

std::optional<QString> addedAppString(int number);

} // namespace resources
