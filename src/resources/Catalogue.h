#pragma once
// The string tables of the two programs, compiled in. A number without a text gives
// nullopt; the runtime turns that into run-time error 326.
#include <QString>
#include <optional>

namespace resources {

std::optional<QString> appString(int number);        // trelvoapp
std::optional<QString> updaterString(int number);    // skyfetch

} // namespace resources
