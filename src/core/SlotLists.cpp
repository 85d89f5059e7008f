#include "core/SlotLists.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"

#include <cmath>

namespace core {

namespace {

// " 8/12/1999" becomes " 8/Dec/1999": the day as stored, the month by its abbreviation,
// the last four characters as the year. A date without a month from 1 to 12 after its
// first "/" is shown as it is stored.
QString slotDate(const QString& date)
{
    const int slash = int(date.indexOf(u'/'));
    if (slash < 0)
        return date;
    const double month = std::abs(vb::Val(date.mid(slash + 1, 2)));
    if (month < 1 || month > 12 || month != std::floor(month))
        return date;
    return date.left(slash) + u'/' + LoadResString(1270 + int(month)) + u'/' + date.right(4);
}

QString slotRow(int slot)
{
    const ProgramState& s = state();
    const QString& description = s.ConfigDescription[slot];
    if (description == LoadResString(1010))
        return description;
    return description.leftJustified(20) + slotDate(s.ConfigDate[slot]) + QString(5, u' ') +
           vb::FormatText(s.ConfigTime[slot], QStringLiteral("hh:mm"));
}

} // namespace

void RefreshConfigList()
{
    vb::ListBox& restoreList = ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List2"));
    vb::ListBox& maintenanceList = ListBoxOf(QStringLiteral("Form1"), QStringLiteral("List3"));
    for (int slot = 0; slot < 5; ++slot) {
        const QString row = slotRow(slot);
        restoreList.setList(slot, row);
        maintenanceList.setList(slot, row);
    }

    QStringList descriptions(state().ConfigDescription.begin(), state().ConfigDescription.end());
    LabelOf(QStringLiteral("Form1"), QStringLiteral("Label2")).setCaption(descriptions.join(u'\r'));

    vb::ListBox& chosen = ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
    const vb::ListBox& userFiles = ListBoxOf(QStringLiteral("UserFiles"), QStringLiteral("List1"));
    chosen.Clear();
    for (int i = 0; i < userFiles.ListCount() && !userFiles.List(i).isEmpty(); ++i)
        chosen.AddItem(userFiles.List(i));
}

} // namespace core
