#pragma once
// The UI services as real Qt dialogs: message boxes, the input box, the machine's file,
// folder and format dialogs, the help notice, the beep and the end of the process.
#include "vb/UiServices.h"

#include <QPointer>

class QDialog;
class QLabel;

namespace vb {

class QtUi : public UiServices {
public:
    int MsgBox(const MessageBoxRequest& request) override;
    std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& def) override;
    QStringList OpenFiles(const FileDialogRequest& request) override;
    QString BrowseForFolder(const QString& title) override;
    void FormatFloppy() override;
    void ShowHelp(const QString& helpFile, int context) override;
    void Beep() override;
    [[noreturn]] void EndProcess(int code) override;

private:
    QPointer<QDialog> help_;
    QLabel* helpText_ = nullptr;
};

// A prompt as shown: a lone CR, and CR LF, is a line break.
QString shownText(const QString& prompt);

} // namespace vb
