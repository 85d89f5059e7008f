#include "rescue/Registration.h"
#include "rescue/SelWiz.h"
#include "rescue/Wizzard.h"
#include "ui/Form1.h"
#include "ui/Registration.h"
#include "vb/Forms.h"

namespace rescue {

void registerWindows()
{
    ui::registerWindows();
    vb::Forms::registerFactory(QStringLiteral("Wizzard"), [] { return new WizzardForm; });
    vb::Forms::registerFactory(QStringLiteral("SelWiz"), [] { return new SelWizForm; });
    ui::Form1Form::setRescueWizard(&Form1_Command18_Click);
}

} // namespace rescue
