#pragma once
// The update program's one window: a wizard driven by "Next >". The first press connects
// (dialling the default connection when no dial-up connection is up), fetches and reads
// the update list and offers the update or ends; the second downloads it into the
// installation folder's "updates" folder and checks its length; the third starts it and
// ends. "Cancel" ends the program at any step, "Help" opens the help file at the window's
// topic; both act at once, also in the middle of a fetch. Closing the window ends the
// program at any moment, without the hang-up question. Progress shows in Label1, in an
// animation and in the status bar.
#include "vb/Form.h"
#include "vb/SysAnimate32.h"
#include "webupdate/CNetGet.h"

namespace webupdate {

class frmSkyfetchForm : public vb::Form {
    Q_OBJECT
public:
    frmSkyfetchForm();

    vb::PictureBox Picture1{*this, QStringLiteral("Picture1")};
    vb::Frame Frame1{*this, QStringLiteral("Frame1")};
    vb::Label Label1{Frame1, QStringLiteral("Label1")};
    vb::Label Label3{*this, QStringLiteral("Label3")};
    vb::PictureBox Picture2{*this, QStringLiteral("Picture2")};
    vb::CommandButton Command1{*this, QStringLiteral("Command1")};
    vb::CommandButton Command2{*this, QStringLiteral("Command2")};
    vb::CommandButton Command3{*this, QStringLiteral("Command3")};
    vb::StatusBar sbrMain{*this, QStringLiteral("sbrMain")};
    vb::TextBox Text1{*this, QStringLiteral("Text1")};
    vb::Label Label2{*this, QStringLiteral("Label2")};

    void Form_Load() override;
    // Closed from its title bar while a pass, a download or the way out runs: that work is
    // abandoned where it stands and the program ends here.
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;
    void Command1_Click();   // Next
    void Command2_Click();   // Cancel
    void Command3_Click();   // Help

    // Downloads the offered update and checks its length.
    void GetUpdate();
    // Puts the window in the middle of the screen (at 0 where the screen is too small).
    void CenterForm(vb::Form& frm);
    // The part of an address after its last "/" (all of it without one), less trailing blanks.
    QString FileNameURL(const QString& sFPath) const;
    // The address up to and including its last "/" ("" without one), less outer blanks.
    QString FilePathURL(const QString& sFPath) const;

    CNetGet& fetcher() { return net_; }
    vb::SysAnimate32& animation() { return animation_; }

private:
    void ConnectPass();
    void StartDownloadedFile();
    void MakeNextTheDefault();

    CNetGet net_;
    vb::SysAnimate32 animation_;
    QString installFolder_;   // as read at start-up
    bool busy_ = false;       // Next or Cancel is at work
};

frmSkyfetchForm& frmSkyfetch();

} // namespace webupdate
