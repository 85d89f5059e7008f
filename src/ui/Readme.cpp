#include "ui/Readme.h"
#include "core/Messages.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"
#include "vb/UiServices.h"

#include <QFontMetrics>
#include <QWidget>

namespace ui {

ReadmeForm::ReadmeForm() : vb::Form(QStringLiteral("Readme"))
{
    setCaption(QStringLiteral("Readme"));
    setClientSize(9000, 6000);
    List1.Move(120, 120, 8760, 5160);
    List1.setFixedPitch(true);
    Command1.setCaption(QStringLiteral("Close"));
    Command1.Move(7665, 5445, 1215, 390);
    Command1.setDefault(true);
    Command1.setCancel(true);
    connect(&Command1, &vb::CommandButton::Click, this, &ReadmeForm::Command1_Click);
}

ReadmeForm& Readme() { return vb::Forms::get<ReadmeForm>(QStringLiteral("Readme")); }

void ReadmeForm::Form_Load()
{
    setLeft(vb::Screen::Width() / 2 - Width() / 2);
    setTop(vb::Screen::Height() / 2 - Height() / 2);
    const QString file = core::ProgramFolder() + QStringLiteral("\\Readme.txt");
    if (vb::Dir(file).isEmpty()) {
        vb::MsgBox(QStringLiteral("Readme.txt ") + core::LoadResString(1064), vb::vbOKOnly);
        return;
    }
    // A file that cannot be read to its end shows what could be read.
    const int n = vb::FreeFile();
    try {
        vb::Open(file, vb::OpenMode::Input, n);
        while (!vb::Eof(n))
            List1.AddItem(vb::LineInput(n));
    } catch (const vb::Error&) {
    }
    vb::ResumeNext([n] { vb::Close(n); });
    // Lines wider than the list are scrolled to, not cut: the list's extent is its widest line.
    const QFontMetrics metrics(List1.widget()->font());
    int widest = 0;
    for (int i = 0; i < List1.ListCount(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(List1.List(i)));
    List1.setHorizontalExtent(widest + 5);
}

void ReadmeForm::Command1_Click() { Unload(); }

} // namespace ui
