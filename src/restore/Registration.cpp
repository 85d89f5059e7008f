#include "restore/Registration.h"
#include "restore/Reboot.h"
#include "restore/RestoreReq.h"
#include "vb/Forms.h"

namespace restore {

void registerWindows()
{
    vb::Forms::registerFactory(QStringLiteral("RestoreReq"), [] { return new RestoreReqForm; });
    vb::Forms::registerFactory(QStringLiteral("Reboot"), [] { return new RebootForm; });
}

} // namespace restore
