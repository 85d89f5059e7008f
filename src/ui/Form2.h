#pragma once
// The splash window shown while the program starts.
#include "vb/Form.h"

namespace ui {

class Form2Form : public vb::Form {
    Q_OBJECT
public:
    Form2Form();

    vb::ProgressBar ProgressBar1{*this, QStringLiteral("ProgressBar1")};
    vb::Timer Timer1{*this, QStringLiteral("Timer1")};
};

Form2Form& Form2();

} // namespace ui
