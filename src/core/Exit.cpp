#include "core/Exit.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Windows.h"
#include "vb/Error.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QScopedValueRollback>

namespace core {

namespace {

bool g_quitting = false;

// A save disables Help, a restore disables Exit. Without a main window nothing runs.
bool busy()
{
    if (!vb::Forms::isLoaded(QStringLiteral("Form1")))
        return false;
    return !ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command2")).Enabled() ||
           !ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).Enabled();
}

} // namespace

bool OperationRunning() { return busy(); }

void QuitProgram()
{
    // The windows unloaded below may ask for the exit again from their unload handlers.
    if (g_quitting)
        return;
    bool refused = false;
    vb::ResumeNext([&] { refused = busy(); });
    if (refused)
        return;
    const QScopedValueRollback<bool> quitting(g_quitting, true);

    if (!state().SkipSaveOnQuit)
        vb::ResumeNext(SaveSettings);
    vb::ResumeNext(vb::DoEvents);
    // Latest first, down to the second in load order; the first one goes with the process.
    for (int i = int(vb::Forms::loaded().size()) - 1; i >= 1; --i) {
        vb::ResumeNext([i] {
            const QList<vb::Form*> forms = vb::Forms::loaded();
            if (i < forms.size())
                vb::Forms::unload(*forms[i]);
        });
    }
    vb::End(0);
}

void EndOperation()
{
    ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command2")).setEnabled(true);
    ButtonOf(QStringLiteral("Form1"), QStringLiteral("Command3")).setEnabled(true);
    vb::Screen::setMousePointer(0);
    ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar1")).setValue(0);
    ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2")).setValue(0);
}

} // namespace core
