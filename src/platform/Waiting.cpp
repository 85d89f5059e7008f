#include "platform/Waiting.h"

#include <QElapsedTimer>
#include <utility>

namespace platform {

namespace {
WaitStep g_step;
QElapsedTimer g_sinceStep;
bool g_inStep = false;
} // namespace

WaitStep setWaitStep(WaitStep step)
{
    g_sinceStep.invalidate();
    return std::exchange(g_step, std::move(step));
}

void whileWaiting()
{
    if (!g_step || g_inStep)
        return;
    if (g_sinceStep.isValid() && g_sinceStep.elapsed() < kWaitStepMs)
        return;
    struct Running {
        Running() { g_inStep = true; }
        ~Running()
        {
            g_inStep = false;
            g_sinceStep.start();
        }
    } running;
    g_step();
}

} // namespace platform
