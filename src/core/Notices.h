#pragma once
// Boxes that only tell something (OK alone) and may come up while nobody is there to answer
// them: during start-up, before it is known whether the program runs an automatic save, they
// are held; an automatic run writes them to the error log instead of waiting for ever at a
// box; any other start shows them, in their order, once the start-up has decided.
#include <QString>

namespace core {

// Shows the box, holds it, or (in an automatic run) logs its text, unless the caller has
// logged what it tells already (`logged`).
void Notice(const QString& prompt, int buttons, const QString& title = {}, bool logged = false);

// The same for a fault the program cannot go on with: after the box (or its log line) the
// program ends through QuitProgram, which does nothing while an operation runs. Held, the
// program ends once the boxes are released, so an automatic run never waits at it.
void NoticeThenQuit(const QString& prompt, int buttons, const QString& title = {});

// From here on boxes are held, until ReleaseNotices.
void HoldNotices();

// Ends the holding: the held boxes are shown, or logged when NobodyThere is set. From then on
// a run-time error that nothing traps is logged too, while NobodyThere is set.
void ReleaseNotices();

} // namespace core
