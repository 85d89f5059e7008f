#include "webupdate/Messages.h"
#include "resources/Catalogue.h"
#include "vb/Error.h"

namespace webupdate {

QString LoadResString(int number)
{
    if (const auto text = resources::updaterString(number))
        return *text;
    throw vb::Error(326);
}

} // namespace webupdate
