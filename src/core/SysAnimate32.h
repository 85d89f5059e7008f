#pragma once
// The animation wrapper. The update program carries the same class, so it lives in the
// runtime and both programs use the one implementation.
#include "vb/SysAnimate32.h"

namespace core {

using vb::SysAnimate32;

} // namespace core
