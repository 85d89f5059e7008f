#include "backup/frmNotEmpty.h"
#include "vb/Forms.h"

namespace backup {

frmNotEmptyForm::frmNotEmptyForm() : vb::Form(QStringLiteral("frmNotEmpty"))
{
    setCaption(QStringLiteral("Message"));
    setClientSize(5535, 2490);
    Label1.Move(150, 150, 5265, 1665);
    Label1.setWordWrap(true);
    Command3.Move(750, 2025, 1215, 390);
    Command3.setCaption(QStringLiteral("Continue?"));
    Command1.Move(2850, 2025, 1215, 390);
    Command1.setCaption(QStringLiteral("Formatting..."));
    Command2.Move(4200, 2025, 1215, 390);
    Command2.setCaption(QStringLiteral("Retry"));
    // Esc asks for another disk.
    Command2.setCancel(true);
    connect(&Command1, &vb::CommandButton::Click, this, [this] { answer(QStringLiteral("Formatieren")); });
    connect(&Command2, &vb::CommandButton::Click, this, [this] { answer(QStringLiteral("Cancel")); });
    connect(&Command3, &vb::CommandButton::Click, this, [this] { answer(QStringLiteral("Continue")); });
}

void frmNotEmptyForm::Form_Load() { setHelpContextID(2040); }

void frmNotEmptyForm::answer(const QString& tag)
{
    setTag(tag);
    Hide();
}

frmNotEmptyForm& frmNotEmpty() { return vb::Forms::get<frmNotEmptyForm>(QStringLiteral("frmNotEmpty")); }

} // namespace backup
