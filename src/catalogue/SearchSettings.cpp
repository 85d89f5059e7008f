#include "catalogue/SearchSettings.h"
#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "platform/Profile.h"
#include "vb/Error.h"
#include "vb/FileIO.h"

namespace catalogue {

void SaveAddUserSettings()
{
    const QString file = core::state().UserFilesIni;
    const QString section = QStringLiteral("AddUserSettings");
    const QString form = QStringLiteral("AddUser");
    // Deleted first, so that no key of an entry dropped since the last time stays behind.
    vb::ResumeNext([&] { vb::Kill(file); });
    // Then every key in one write of the file: it needs no more room than the old file left,
    // and a write that fails leaves no file that holds only the first few entries.
    platform::profile::WriteBatch batch;
    const auto writeList = [&](const QString& combo, const QString& key) {
        vb::ResumeNext([&] {
            const vb::ComboBox& list = core::ComboBoxOf(form, combo);
            for (int i = 0; i < list.ListCount(); ++i)
                core::WriteIni(section, key + QString::number(i), list.List(i), file);
        });
    };
    writeList(QStringLiteral("Combo1"), QStringLiteral("Filetypes"));
    writeList(QStringLiteral("Combo2"), QStringLiteral("FilePath"));
    vb::ResumeNext([&] {
        core::WriteIni(section, QStringLiteral("SubDirs"), QString::number(core::CheckBoxOf(form, QStringLiteral("Check1")).Value()),
                       file);
    });
    batch.finish();
}

} // namespace catalogue
