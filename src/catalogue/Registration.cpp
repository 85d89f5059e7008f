#include "catalogue/Registration.h"
#include "catalogue/Import.h"
#include "vb/Forms.h"

namespace catalogue {

void registerWindows()
{
    vb::Forms::registerFactory(QStringLiteral("Import"), [] { return new ImportForm; });
}

} // namespace catalogue
