#include "webupdate/Registration.h"
#include "vb/Forms.h"
#include "webupdate/frmSkyfetch.h"

namespace webupdate {

void registerWindows()
{
    vb::Forms::registerFactory(QStringLiteral("frmSkyfetch"), [] { return new frmSkyfetchForm; });
}

} // namespace webupdate
