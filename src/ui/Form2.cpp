#include "ui/Form2.h"
#include "vb/Forms.h"

namespace ui {

Form2Form::Form2Form() : vb::Form(QStringLiteral("Form2"))
{
    setCaption(QStringLiteral("Trelvo"));
}

Form2Form& Form2() { return vb::Forms::get<Form2Form>(QStringLiteral("Form2")); }

} // namespace ui
