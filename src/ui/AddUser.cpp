#include "ui/AddUser.h"
#include "vb/Forms.h"

namespace ui {

AddUserForm::AddUserForm() : vb::Form(QStringLiteral("AddUser"))
{
    setCaption(QStringLiteral("Search"));
    Command1.setCaption(QStringLiteral("OK"));
}

AddUserForm& AddUser() { return vb::Forms::get<AddUserForm>(QStringLiteral("AddUser")); }

frmDrvScanForm::frmDrvScanForm() : vb::Form(QStringLiteral("frmDrvScan"))
{
    setCaption(QStringLiteral("Search"));
}

frmDrvScanForm& frmDrvScan() { return vb::Forms::get<frmDrvScanForm>(QStringLiteral("frmDrvScan")); }

} // namespace ui
