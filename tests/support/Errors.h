#pragma once
// The number of the error a statement raises, 0 when it runs through.
#include "platform/SysError.h"
#include "vb/Error.h"

#include <functional>

namespace testsupport {

inline int errorOf(const std::function<void()>& statement)
{
    try {
        statement();
    } catch (const vb::Error& e) {
        return e.Number();
    } catch (const platform::SysError& e) {
        return e.code();
    }
    return 0;
}

} // namespace testsupport
