#pragma once
// Programs of the machine that the update program starts, given their host behaviour:
// the dialler ("rundll32.exe rnaui.dll,RnaDial <entry>", machine.ini [Programs] "dialer"),
// whose "Connect To" window connects the entry, and the installer that a downloaded update
// is ("installer"), which records its run in machine.ini [Setup] and says so.
#include "vb/Form.h"

namespace webupdate {

// The machine's own "Connect To" window for one phonebook entry.
class ConnectToForm : public vb::Form {
    Q_OBJECT
public:
    explicit ConnectToForm(const QString& entry);

    vb::Label Label1{*this, QStringLiteral("Label1")};
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};   // Connect
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};   // Cancel

    bool connected() const { return connected_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString entry_;
    bool connected_ = false;
};

void registerMachinePrograms();

} // namespace webupdate
