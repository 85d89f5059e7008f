#include "vb/QtUi.h"
#include "platform/Machine.h"
#include "vb/FormatDialog.h"
#include "vb/MachineBrowser.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

namespace vb {

QString shownText(const QString& prompt)
{
    QString t = prompt;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

static QMessageBox::Icon iconOf(int icon)
{
    switch (icon) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// A button of a message box as the system labels it: OK and Cancel go by Enter and Esc, the
// others have their first letter as access key (a letter alone presses them).
static QString withAccessKey(const QString& caption)
{
    static const QStringList plain = {QStringLiteral("OK"), QStringLiteral("Cancel"), QStringLiteral("Help")};
    return plain.contains(caption) ? caption : u'&' + caption;
}

int QtUi::MsgBox(const MessageBoxRequest& request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(boxTitle(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(shownText(request.prompt));
    box.setIcon(iconOf(request.icon()));
    if (request.buttons & vbSystemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    // All buttons share one role so that they stay in the order of the button set.
    const QList<int> results = request.buttonResults();
    QList<QPushButton*> buttons;
    for (const QString& caption : request.buttonCaptions())
        buttons << box.addButton(withAccessKey(caption), QMessageBox::ActionRole);
    const int help = results.indexOf(0);
    if (help >= 0) {
        // Help shows the topic and leaves the box open: take the button away from the
        // box's own handling, which closes the box on every button. F1 does the same.
        QObject::disconnect(buttons[help], nullptr, box.findChild<QDialogButtonBox*>(), nullptr);
        const auto showHelp = [this, &request] {
            ShowHelp(request.helpFile.isEmpty() ? App().HelpFile : request.helpFile, request.context);
        };
        QObject::connect(buttons[help], &QPushButton::clicked, &box, showHelp);
        QObject::connect(new QShortcut(QKeySequence(Qt::Key_F1), &box), &QShortcut::activated, &box, showHelp);
    }
    box.setDefaultButton(buttons.value(request.defaultButton(), buttons.first()));
    if (const int cancel = results.indexOf(vbCancel); cancel >= 0)
        box.setEscapeButton(buttons[cancel]);
    else if (request.buttonSet() == vbOKOnly)
        box.setEscapeButton(buttons.first());

    box.exec();
    const int clicked = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return clicked >= 0 ? results[clicked] : request.defaultResult();
}

std::optional<QString> QtUi::InputBox(const QString& prompt, const QString& title, const QString& def)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(boxTitle(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(shownText(prompt));
    dialog.setTextValue(def);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

static void showStartFolder(MachineBrowser& dialog, const QString& wanted)
{
    if (!wanted.isEmpty() && dialog.setFolder(wanted))
        return;
    if (!dialog.setFolder(platform::Machine::current().currentDir()))
        dialog.setFolder(QStringLiteral("C:\\"));
}

QStringList QtUi::OpenFiles(const FileDialogRequest& request)
{
    MachineBrowser dialog(MachineBrowser::Files, request.title.isEmpty() ? QStringLiteral("Open") : request.title,
                          QApplication::activeWindow());
    dialog.setMultiSelect(request.multiSelect);
    dialog.setFilter(request.filter.isEmpty() ? QStringLiteral("All Files (*.*)|*.*") : request.filter);
    showStartFolder(dialog, request.initialDir);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QStringList();
}

QString QtUi::BrowseForFolder(const QString& title)
{
    MachineBrowser dialog(MachineBrowser::Folder, title.isEmpty() ? QStringLiteral("Browse for Folder") : title,
                          QApplication::activeWindow());
    showStartFolder(dialog, {});
    return dialog.exec() == QDialog::Accepted ? dialog.chosen().value(0) : QString();
}

void QtUi::FormatFloppy()
{
    FormatDialog dialog(QApplication::activeWindow());
    dialog.exec();
}

void QtUi::ShowHelp(const QString& helpFile, int context)
{
    if (!help_) {
        // Owned by the box that asked for help (if any), so that it can be read and
        // closed while that box is still modal.
        help_ = new QDialog(QApplication::activeModalWidget(), Qt::Window);
        help_->setAttribute(Qt::WA_DeleteOnClose);
        help_->setObjectName(QStringLiteral("TrelvoHelp"));
        help_->setWindowTitle(QStringLiteral("Trelvo Help"));
        auto* layout = new QVBoxLayout(help_);
        helpText_ = new QLabel;
        helpText_->setObjectName(QStringLiteral("helpText"));
        helpText_->setWordWrap(true);
        layout->addWidget(helpText_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
        QObject::connect(buttons, &QDialogButtonBox::rejected, help_, &QDialog::close);
        layout->addWidget(buttons);
    }
    helpText_->setText(QStringLiteral("Help file: %1\nTopic: %2\n\n"
                                      "This help topic cannot be shown: there is no viewer for Windows help files on Linux.")
                           .arg(helpFile.isEmpty() ? QStringLiteral("(none)") : helpFile)
                           .arg(context));
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void QtUi::Beep() { QApplication::beep(); }

void QtUi::EndProcess(int code)
{
    AtEnd();
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace vb
