#pragma once
// Whether a window shows its texts whole at the size it has, with the fonts it has: the
// labels (wrapped within their width where they wrap), the captions of buttons, boxes and
// frames. Hidden controls and empty texts count as whole.
#include <QStringList>

namespace vb {
class Form;
}

namespace testsupport {

// One line per text that does not fit: "Label1: 'This disk already...' needs 188 px, has 111".
QStringList textsCutOff(const vb::Form& form);

} // namespace testsupport
