#pragma once
// The screen object and DoEvents.
#include <QElapsedTimer>

namespace vb {

class Form;

// Runs the events that are waiting (input, timers, posted events, deferred deletions of
// unloaded forms) once, without waiting for more.
void DoEvents();

// A run of many small steps (one per file) shows its progress and lets events run at the
// rate they run while the program waits: due() is true at the first step and then once
// platform::kWaitStepMs or more have passed since it was last true. The run shows its last
// state itself at its end.
class ProgressPace {
public:
    bool due();

private:
    QElapsedTimer since_;
};

// What runs while the platform blocks the thread (a child program runs, a long copy lasts),
// at most every platform::kWaitStepMs: the events that are waiting, as DoEvents runs them
// (input, timers, the window system's requests, painting), so that the windows stay painted
// and answer the window manager, a close request included. The windows refuse what must not
// start beside the running work themselves, as they do at every DoEvents of it. Forms
// install it. While an OnlyPaintWhileWaiting lives, the waits only paint instead.
void RunEventsWhileWaiting();
void installWaitStep();

// For work that lets no other event run until it is done (the start of the program, its
// end): while one of these lives, the waits of the platform only paint the windows (changes
// made before the wait, playing animations, what the window system uncovered) and leave
// input, timers and posted work waiting until the program lets events run again.
class OnlyPaintWhileWaiting {
public:
    OnlyPaintWhileWaiting();
    ~OnlyPaintWhileWaiting();
    OnlyPaintWhileWaiting(const OnlyPaintWhileWaiting&) = delete;
    OnlyPaintWhileWaiting& operator=(const OnlyPaintWhileWaiting&) = delete;
};

// Puts the present look of the window `form` on the screen at once, also for a window shown
// a moment ago that the window system has not put up yet (that is waited for, briefly, with
// no input taken meanwhile): for a window whose work holds the program up as soon as it is
// shown. Nothing happens for a hidden window.
void PaintNow(Form& form);

class Screen {
public:
    // The program-wide mouse pointer: 0 the default, 11 the hourglass (and the other
    // pointer numbers 1-15). One setting at a time: setting it again replaces it.
    static int MousePointer();
    static void setMousePointer(int pointer);   // error 380 outside 0..15

    static int Width();    // twips
    static int Height();   // twips
    static int TwipsPerPixelX();
    static int TwipsPerPixelY();
    static Form* ActiveForm();
};

} // namespace vb
