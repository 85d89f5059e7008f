// The schedule of the automatic save as start-up reads it. The input is AutoKp.ini. Reading it
// raises nothing and writes nothing but the error log; the next slot is one of 0 to 3; the slot list holds its
// four rows, each "Not Saved" (the machine holds no automatic save); an automatic run is wanted
// exactly when the mode list does not stand on "Disabled".
#include "FuzzTarget.h"
#include "backup/AutoKeepSchedule.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "ui/Registration.h"
#include "vb/Lists.h"

#include <QFile>
#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachineWithWindows(ui::registerWindows);
    core::resetState();
    core::state().TodayDate = QStringLiteral(" 8/12/1999");
    vb::ComboBox& modes = core::ComboBoxOf(QStringLiteral("Form1"), QStringLiteral("Combo1"));
    const vb::ListBox& rows = core::ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List1"));
    modes.Clear();

    const QString folder = machine + QStringLiteral("/drive_c/Program Files/Trelvo/");
    QFile schedule(folder + QStringLiteral("AutoKp.ini"));
    QFile marker(folder + QStringLiteral("Keep.go"));
    fuzz::require(schedule.open(QIODevice::WriteOnly) && schedule.write(fuzz::bytesOf(data, size)) == qint64(size) &&
                      marker.open(QIODevice::WriteOnly),
                  QStringLiteral("cannot write the input"));
    schedule.close();
    marker.close();
    bool wanted = false;
    fuzz::handlesItsErrors("the look for an automatic run", [&] { wanted = backup::AutomaticRunWanted(); });
    marker.remove();

    // A schedule that cannot be followed is logged; nothing else is written.
    const QStringList errorLog{QStringLiteral("drive_c/Program Files/Trelvo/Error.log")};
    const fuzz::Stamps before = fuzz::stampsUnder(machine, errorLog);
    fuzz::handlesItsErrors("the schedule's reading", [] { backup::LoadAutoKeepSettings(); });
    const QString changed = fuzz::firstDifference(before, fuzz::stampsUnder(machine, errorLog));
    fuzz::require(changed.isEmpty(), QStringLiteral("reading the schedule wrote to the machine: %1").arg(changed));

    const int slot = core::state().AutoKeepNextSlot;
    fuzz::require(slot >= 0 && slot <= 3, QStringLiteral("the next automatic-save slot is %1").arg(slot));
    fuzz::require(rows.ListCount() == 4, QStringLiteral("the slot list has %1 rows").arg(rows.ListCount()));
    for (int k = 1; k <= 4; ++k)
        fuzz::require(rows.List(k - 1) == backup::AutoKeepSlotRow(k, core::LoadResString(1131)),
                      QStringLiteral("slot %1 reads \"%2\" with no automatic save on the machine").arg(k).arg(rows.List(k - 1)));
    fuzz::require((modes.ListIndex() != 0) == wanted, QStringLiteral("the mode list stands on %1, yet an automatic run is %2")
                                                          .arg(modes.ListIndex())
                                                          .arg(wanted ? QStringLiteral("wanted") : QStringLiteral("not wanted")));
    return 0;
}
