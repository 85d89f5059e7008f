#pragma once
// Reading one value of an open registry key: the program's only way into the registry.
// The update program reads the registry with the same procedure, so it lives in the runtime.
#include "vb/Registry.h"

namespace core {

using vb::QueryValueEx;

} // namespace core
