#include "rescue/Registration.h"
#include "rescue/Wizzard.h"
#include "ui/Registration.h"
#include "vb/Forms.h"

namespace rescue {

void registerWindows()
{
    ui::registerWindows();
    vb::Forms::registerFactory(QStringLiteral("Wizzard"), [] { return new WizzardForm; });
}

} // namespace rescue
