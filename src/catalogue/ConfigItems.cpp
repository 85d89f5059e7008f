#include "catalogue/ConfigItems.h"
#include "core/Windows.h"

namespace catalogue {

QString ConfigItem::SavedSection() const
{
    return SystemItem ? QStringLiteral("SystemFilesSaved") : QStringLiteral("UserFilesSaved");
}

QString ConfigItem::AvailableSection() const
{
    return SystemItem ? QStringLiteral("SystemFiles") : QStringLiteral("UserFiles");
}

vb::CheckBox& ConfigItem::SaveCheckBox() const { return core::CheckBoxOf(SaveForm.toString(), SaveBox.toString()); }

vb::CheckBox& ConfigItem::RestoreCheckBox() const
{
    return core::CheckBoxOf(QStringLiteral("RestoreReq"), RestoreBox.toString());
}

} // namespace catalogue
