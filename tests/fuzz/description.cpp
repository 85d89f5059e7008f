// The readers of a configuration's description. The input is Config<n>.ini, followed after a
// form feed by its user-file list Config<n>.usr (none without one); read as a slot of the
// program's own and as an import from another folder, where a file without a name is the
// sequential file of version 1.2x. Neither reader lets a run-time error through (the slot's
// may end the program over a description without a save folder); neither writes anything
// but the error log; both leave no restore box ticked; the import, whose user goes on at
// every question, stays active and leaves the program's own slot, save folder and load
// result as they were.
#include "FuzzTarget.h"
#include "catalogue/ConfigItems.h"
#include "catalogue/Description.h"
#include "catalogue/ImportedDescription.h"
#include "core/ProgramState.h"
#include "ui/Registration.h"
#include "vb/Controls.h"

#include <QDir>
#include <QFile>

namespace {

void writeHost(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    fuzz::require(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), QStringLiteral("cannot write %1").arg(path));
}

void expectNoBoxTicked(const char* reader)
{
    for (const catalogue::ConfigItem& item : catalogue::ConfigItems)
        fuzz::require(item.RestoreCheckBox().Value() == 0,
                      QStringLiteral("%1 left restore box %2 ticked").arg(QLatin1String(reader), item.RestoreBox.toString()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachineWithWindows(ui::registerWindows);
    const auto [description, userFiles] = fuzz::splitAtFormFeed(fuzz::bytesOf(data, size));
    const bool withList = description.size() < qsizetype(size);   // a form feed was there
    const QString program = machine + QStringLiteral("/drive_c/Program Files/Trelvo/");
    const QString import = machine + QStringLiteral("/drive_c/Import/");
    writeHost(program + QStringLiteral("Config1.ini"), description);
    writeHost(import + QStringLiteral("Config3.ini"), description);
    if (withList) {
        writeHost(program + QStringLiteral("Config1.usr"), userFiles);
        writeHost(import + QStringLiteral("Config3.usr"), userFiles);
    }
    const QStringList errorLog{QStringLiteral("drive_c/Program Files/Trelvo/Error.log")};
    const fuzz::Stamps before = fuzz::stampsUnder(machine, errorLog);

    core::resetState();
    core::ProgramState& s = core::state();
    s.SaveFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");
    s.SelectedConfig = 0;
    s.LoadResult = 0;
    if (fuzz::handlesItsErrors("the slot's reader", catalogue::LoadCINI) && s.LoadResult == 0)
        expectNoBoxTicked("the slot's reader");

    core::resetState();
    s.SaveFolder = QStringLiteral("C:\\Current\\");
    s.SelectedConfig = 3;
    s.LoadResult = 0;
    s.ImportActive = true;
    for (int i = 0; i < 5; ++i)
        s.ConfigDescription[i] = QStringLiteral("Slot %1").arg(i + 1);
    const catalogue::ImportSource source{QStringLiteral("C:\\Import\\"), QStringLiteral("3 / Imported        / 5/17/99 2:05 PM")};
    fuzz::require(fuzz::handlesItsErrors("the import's reader", [&] { catalogue::LoadCINIImport(source); }),
                  QStringLiteral("the import's reader ended the program"));
    fuzz::require(s.ImportActive, QStringLiteral("the import was given up by a user who goes on"));
    expectNoBoxTicked("the import's reader");
    bool untouched = s.SaveFolder == u"C:\\Current\\" && s.SelectedConfig == 3 && s.LoadResult == 0;
    for (int i = 0; i < 5; ++i)
        untouched = untouched && s.ConfigDescription[i] == QStringLiteral("Slot %1").arg(i + 1);
    fuzz::require(untouched, QStringLiteral("the import changed the program's own slot, save folder or load result"));

    const QString changed = fuzz::firstDifference(before, fuzz::stampsUnder(machine, errorLog));
    fuzz::require(changed.isEmpty(), QStringLiteral("reading a description wrote to the machine: %1").arg(changed));
    return 0;
}
