#pragma once
// The screen object and DoEvents.
#include <QElapsedTimer>

namespace vb {

class Form;

// Runs the events that are waiting (input, timers, posted events, deferred deletions of
// unloaded forms) once, without waiting for more.
void DoEvents();

// A run of many small steps (one per file) shows its progress at the rate the windows are
// painted while the program waits: due() is true at the first step and then once 40 ms or
// more have passed since it was last true. The run shows its last state itself at its end.
class ProgressPace {
public:
    bool due();

private:
    QElapsedTimer since_;
};

// What the windows do while the platform blocks the thread (a child program runs, a long
// copy lasts): changes made before the wait are painted, playing animations move on, and
// now and then every window is painted whole (one uncovered meanwhile included). Input,
// timers and posted work wait until the program lets events run again. Forms install it.
void PaintWhileWaiting();
void installWaitPainting();

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
