#pragma once
// The open-file and browse-for-folder dialog over the machine's drives (never the
// host's): a drive list, the folders and files of the current folder with the file-type
// filter, and the chosen items as full Windows paths ("C:\My Documents\Letter.txt").
#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace vb {

class MachineBrowser : public QDialog {
public:
    enum Mode { Files, Folder };
    MachineBrowser(Mode mode, const QString& title, QWidget* parent = nullptr);

    // "Text files (*.txt)|*.txt|All files (*.*)|*.*": pairs of a description and the
    // patterns (separated by ";") it stands for.
    void setFilter(const QString& filter);
    void setMultiSelect(bool on);
    // Shows `winPath` when it is a folder that can be read; false (and a note in the
    // dialog) when not.
    bool setFolder(const QString& winPath);
    const QString& folder() const { return folder_; }
    // After the dialog was accepted: the chosen files, or the chosen folder alone.
    const QStringList& chosen() const { return chosen_; }

private:
    void fillDrives();
    void refresh();
    void driveChosen(int index);
    void up();
    void activated(QListWidgetItem* item);
    void selectionChanged();
    void accept() override;
    QStringList typedNames() const;
    QString child(const QString& name) const;

    Mode mode_;
    QString folder_;
    QStringList chosen_;
    QList<QStringList> patterns_;
    QComboBox* drives_;
    QLabel* path_;
    QListWidget* entries_;
    QLineEdit* fileName_ = nullptr;
    QComboBox* fileType_ = nullptr;
    QLabel* status_;
};

} // namespace vb
