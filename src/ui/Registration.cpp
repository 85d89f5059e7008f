#include "ui/Registration.h"
#include "backup/Registration.h"
#include "core/Registration.h"
#include "restore/Registration.h"
#include "ui/AddUser.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Readme.h"
#include "ui/UserFiles.h"
#include "vb/Forms.h"

namespace ui {

void registerWindows()
{
    core::registerWindows();
    backup::registerWindows();
    restore::registerWindows();
    vb::Forms::registerFactory(QStringLiteral("Form1"), [] { return new Form1Form; });
    vb::Forms::registerFactory(QStringLiteral("Form2"), [] { return new Form2Form; });
    vb::Forms::registerFactory(QStringLiteral("Readme"), [] { return new ReadmeForm; });
    vb::Forms::registerFactory(QStringLiteral("UserFiles"), [] { return new UserFilesForm; });
    vb::Forms::registerFactory(QStringLiteral("AddUser"), [] { return new AddUserForm; });
    vb::Forms::registerFactory(QStringLiteral("frmDrvScan"), [] { return new frmDrvScanForm; });
}

} // namespace ui
