#include "backup/frmNotEmpty.h"
#include "vb/Forms.h"

namespace backup {

frmNotEmptyForm::frmNotEmptyForm() : vb::Form(QStringLiteral("frmNotEmpty"))
{
    setCaption(QStringLiteral("Message"));
    // Tall enough for the whole explanation, Retry's included, in the fonts of this desktop.
    setClientSize(5535, 3165);
    Label1.Move(150, 150, 5265, 2400);
    Label1.setWordWrap(true);
    Command3.Move(750, 2700, 1215, 390);
    Command3.setCaption(QStringLiteral("Continue?"));
    Command1.Move(2790, 2700, 1335, 390);
    Command1.setCaption(QStringLiteral("Formatting..."));
    Command2.Move(4200, 2700, 1215, 390);
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
