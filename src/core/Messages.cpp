#include "core/Messages.h"
#include "resources/AddedStrings.h"
#include "resources/Catalogue.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/UiServices.h"

namespace core {

QString LoadResString(int number)
{
    if (const auto text = resources::appString(number))
        return *text;
    if (const auto text = resources::addedAppString(number))
        return *text;
    throw vb::Error(326);
}

QString ProgramFolder() { return vb::App().Path; }

void MakeProgramFolderCurrent()
{
    vb::ChDir(ProgramFolder());
    vb::ChDrive(ProgramFolder());
}

} // namespace core
