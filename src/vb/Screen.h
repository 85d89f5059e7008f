#pragma once
// The screen object and DoEvents.

namespace vb {

class Form;

// Runs the events that are waiting (input, timers, posted events, deferred deletions of
// unloaded forms) once, without waiting for more.
void DoEvents();

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
