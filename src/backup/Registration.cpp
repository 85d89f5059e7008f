#include "backup/Registration.h"
#include "backup/FrmAutoKeep.h"
#include "backup/frmNotEmpty.h"
#include "catalogue/Registration.h"
#include "vb/Forms.h"

namespace backup {

void registerWindows()
{
    catalogue::registerWindows();
    vb::Forms::registerFactory(QStringLiteral("frmNotEmpty"), [] { return new frmNotEmptyForm; });
    vb::Forms::registerFactory(QStringLiteral("FrmAutoKeep"), [] { return new FrmAutoKeepForm; });
}

} // namespace backup
