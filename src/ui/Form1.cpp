#include "ui/Form1.h"
#include "core/ProgramState.h"
#include "vb/Forms.h"

namespace ui {

Form1Form::Form1Form() : vb::Form(QStringLiteral("Form1"))
{
    setCaption(QStringLiteral("Trelvo"));
    for (vb::ProgressBar* bar : {&ProgressBar1, &ProgressBar2}) {
        bar->setMin(0);
        bar->setMax(10);
    }
    Slider1.setMin(0);
    Slider1.setMax(9);
    Text1.setMaxLength(15);
    List2.setFixedPitch(true);
    List3.setFixedPitch(true);
    Label2.setFontName(QStringLiteral("Courier New"));
    Command2.setCaption(QStringLiteral("Help"));
    Command3.setCaption(QStringLiteral("Exit"));
    Command14.setCaption(QStringLiteral("Sa&ve settings"));
    Command14.setEnabled(false);

    // Every change of a selection box marks the settings as not yet written.
    for (vb::CheckBox* box : {&Check1, &Check2, &Check3, &Check4, &Check5, &Check6, &Check7, &Check8, &Check9, &Check10,
                              &Check12, &Check13, &Check14, &Check15, &Check16, &Check17}) {
        connect(box, &vb::CheckBox::Click, this, [this] {
            Command14.setEnabled(true);
            core::state().SettingsSaved = false;
        });
    }
}

Form1Form& Form1() { return vb::Forms::get<Form1Form>(QStringLiteral("Form1")); }

} // namespace ui
