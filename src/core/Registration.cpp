#include "core/Registration.h"
#include "core/Animate.h"
#include "vb/Forms.h"

namespace core {

void registerWindows()
{
    vb::Forms::registerFactory(QStringLiteral("Animate"), [] { return new AnimateForm; });
}

} // namespace core
