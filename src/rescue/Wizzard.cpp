#include "rescue/Wizzard.h"
#include "vb/Forms.h"

namespace rescue {

WizzardForm::WizzardForm() : vb::Form(QStringLiteral("Wizzard"))
{
    setCaption(QStringLiteral("Trelvo Rescue Disk Wizard"));
    setClientSize(6600, 4200);
    Label3.Move(240, 3360, 4335, 375);
    Label3.setVisible(false);
    Command3.Move(5040, 3660, 1215, 390);
    Command3.setCaption(QStringLiteral("Cancel"));
    Command3.setVisible(false);
}

WizzardForm& Wizzard() { return vb::Forms::get<WizzardForm>(QStringLiteral("Wizzard")); }

} // namespace rescue
