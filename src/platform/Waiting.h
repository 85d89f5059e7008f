#pragma once
// The program has one thread, and the platform blocks it while a child program runs and
// while a long copy lasts. The layer that owns the windows installs a step that runs the
// waiting events meanwhile, so that the windows stay painted and answer the window manager;
// the platform's waits call whileWaiting() between their steps, and the step runs at most
// every kWaitStepMs, never inside itself (a wait within the step only waits).
#include <functional>

namespace platform {

constexpr int kWaitStepMs = 50;

using WaitStep = std::function<void()>;

// Installs the step (an empty one removes it); returns the one it replaces.
WaitStep setWaitStep(WaitStep step);

// Called by every wait of the platform, as often as it likes: runs the step when the last
// run is kWaitStepMs or more ago (or has never been). Cheap when nothing is installed.
void whileWaiting();

} // namespace platform
