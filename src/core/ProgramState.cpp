#include "core/ProgramState.h"

namespace core {

static ProgramState g_state;

ProgramState& state() { return g_state; }

void resetState() { g_state = ProgramState(); }

} // namespace core
