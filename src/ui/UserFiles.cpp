#include "ui/UserFiles.h"
#include "core/ProgramState.h"
#include "vb/Forms.h"

namespace ui {

UserFilesForm::UserFilesForm() : vb::Form(QStringLiteral("UserFiles"))
{
    setCaption(QStringLiteral("User-defined Files"));
    List1.setMultiSelect(2);
    for (vb::CheckBox* box : {&Check1, &Check2, &Check3, &Check4, &Check5, &Check11, &Check12})
        connect(box, &vb::CheckBox::Click, this, [] { core::state().SettingsSaved = false; });
}

UserFilesForm& UserFiles() { return vb::Forms::get<UserFilesForm>(QStringLiteral("UserFiles")); }

} // namespace ui
