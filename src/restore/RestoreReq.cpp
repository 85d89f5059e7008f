#include "restore/RestoreReq.h"
#include "core/ProgramState.h"
#include "vb/Forms.h"

namespace restore {

RestoreReqForm::RestoreReqForm() : vb::Form(QStringLiteral("RestoreReq"))
{
    setCaption(QStringLiteral("Restore"));
    List1.setMultiSelect(2);
    Label1.setCaption(QStringLiteral("All files selected !"));
    Command1.setCaption(QStringLiteral("OK"));
    Command2.setCaption(QStringLiteral("Cancel"));
    Command2.setCancel(true);
    connect(&Command1, &vb::CommandButton::Click, this, [this] { Hide(); });
    connect(&Command2, &vb::CommandButton::Click, this, [this] { Command2_Click(); });
}

void RestoreReqForm::Command2_Click()
{
    for (vb::CommandButton* b : {&Command1, &Command3, &Command4, &Command5, &Command6})
        b->setEnabled(true);
    core::state().SettingsSaved = true;
    Hide();
}

RestoreReqForm& RestoreReq() { return vb::Forms::get<RestoreReqForm>(QStringLiteral("RestoreReq")); }

} // namespace restore
