#pragma once
// The machine's floppy format dialog for drive A: and the format it performs. The
// scripted services format through the same function, so a script or a test that
// answers "Quick" changes the disk exactly as the Start button does.
#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vb {

QString formatDialogCaption();   // "Format - 3½ Floppy (A:)"

struct FormatOutcome {
    bool ok = false;
    QString message;             // the dialog's result line
};

// Formats the disk in drive A: (quick: erase a formatted disk; full: also an
// unformatted one). The label is cut to 11 characters and kept in upper case.
FormatOutcome formatDiskInDriveA(bool quick, const QString& label);

// The capacity of the disk in drive A: as the dialog lists it ("1.44 Mb (3.5\")").
QString floppyCapacityText();

class FormatDialog : public QDialog {
public:
    explicit FormatDialog(QWidget* parent = nullptr);

private:
    void start();

    QLabel* capacity_;
    QRadioButton* quick_;
    QRadioButton* full_;
    QLineEdit* label_;
    QCheckBox* noLabel_;
    QLabel* result_;
};

} // namespace vb
