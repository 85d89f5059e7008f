#include "webupdate/ProgramState.h"

namespace webupdate {

ProgramState& state()
{
    static ProgramState s;
    return s;
}

void resetState() { state() = ProgramState(); }

} // namespace webupdate
