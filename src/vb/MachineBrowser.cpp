#include "vb/MachineBrowser.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "vb/Error.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace vb {

using namespace platform;

namespace {

QString driveCaption(QChar letter)
{
    const QString tail = QStringLiteral(" (%1:)").arg(letter);
    switch (Machine::current().driveKind(letter)) {
    case DriveKind::Removable: return QStringLiteral("3\u00BD Floppy") + tail;
    case DriveKind::Network: return QStringLiteral("Network Drive") + tail;
    case DriveKind::CdRom: return QStringLiteral("CD-ROM") + tail;
    case DriveKind::RamDisk: return QStringLiteral("RAM Disk") + tail;
    default: return fs::volumeLabel(QString(letter)).value_or(QString()) + tail;
    }
}

QString notReadyText(const QString& path, const SysError& e)
{
    switch (e.code()) {
    case ErrDeviceUnavailable: return QStringLiteral("%1 does not exist.").arg(path);
    case ErrDiskNotReady:
    case ErrBadFileName: return QStringLiteral("%1 is not accessible. The device is not ready.").arg(path);
    default: return QStringLiteral("%1 is not accessible. %2").arg(path, ErrorText(e.code()));
    }
}

} // namespace

MachineBrowser::MachineBrowser(Mode mode, const QString& title, QWidget* parent) : QDialog(parent), mode_(mode)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Look in:")));
    drives_ = new QComboBox;
    drives_->setObjectName(QStringLiteral("drives"));
    top->addWidget(drives_, 1);
    auto* upButton = new QPushButton(QStringLiteral("Up One Level"));
    upButton->setObjectName(QStringLiteral("up"));
    upButton->setAutoDefault(false);
    top->addWidget(upButton);
    layout->addLayout(top);

    path_ = new QLabel;
    path_->setObjectName(QStringLiteral("path"));
    layout->addWidget(path_);

    entries_ = new QListWidget;
    entries_->setObjectName(QStringLiteral("entries"));
    layout->addWidget(entries_, 1);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(mode == Files ? QStringLiteral("Open") : QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));

    if (mode == Files) {
        auto* form = new QFormLayout;
        fileName_ = new QLineEdit;
        fileName_->setObjectName(QStringLiteral("fileName"));
        form->addRow(QStringLiteral("File name:"), fileName_);
        fileType_ = new QComboBox;
        fileType_->setObjectName(QStringLiteral("fileType"));
        form->addRow(QStringLiteral("Files of type:"), fileType_);
        layout->addLayout(form);
        connect(fileType_, &QComboBox::currentIndexChanged, this, &MachineBrowser::refresh);
        connect(entries_, &QListWidget::itemSelectionChanged, this, &MachineBrowser::selectionChanged);
    }
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &MachineBrowser::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(upButton, &QPushButton::clicked, this, &MachineBrowser::up);
    connect(entries_, &QListWidget::itemDoubleClicked, this, &MachineBrowser::activated);
    connect(drives_, &QComboBox::activated, this, &MachineBrowser::driveChosen);
    fillDrives();
    resize(480, 360);
}

void MachineBrowser::setFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    fileType_->blockSignals(true);
    fileType_->clear();
    patterns_.clear();
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        fileType_->addItem(parts[i]);
        patterns_ << parts[i + 1].split(u';', Qt::SkipEmptyParts);
    }
    fileType_->blockSignals(false);
    refresh();
}

void MachineBrowser::setMultiSelect(bool on)
{
    entries_->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void MachineBrowser::fillDrives()
{
    for (QChar letter : Machine::current().driveLetters())
        drives_->addItem(driveCaption(letter), letter);
}

bool MachineBrowser::setFolder(const QString& winPath)
{
    QList<fs::Entry> found;
    QString folder;
    try {
        const Resolved r = fs::resolveReady(winPath);
        if (!r.isDir()) {
            status_->setText(QStringLiteral("%1 is not a folder.").arg(winPath));
            return false;
        }
        folder = r.win();
        found = fs::find(folder + (r.isRoot() ? QString() : QStringLiteral("\\")) + QStringLiteral("*.*"), AttrDirectory);
    } catch (const SysError& e) {
        status_->setText(notReadyText(winPath, e));
        return false;
    }
    folder_ = folder;
    status_->clear();
    path_->setText(folder_);
    drives_->setCurrentIndex(drives_->findData(folder_.at(0)));

    found.removeIf([this](const fs::Entry& e) {
        if (e.name == u"." || e.name == u"..")
            return true;
        if (e.isDir())
            return false;
        if (mode_ == Folder)
            return true;
        const int type = fileType_->currentIndex();
        if (type < 0)
            return false;
        return std::none_of(patterns_[type].begin(), patterns_[type].end(),
                            [&](const QString& p) { return winpath::wildcardMatch(p.trimmed(), e.name); });
    });
    std::sort(found.begin(), found.end(), [](const fs::Entry& a, const fs::Entry& b) {
        if (a.isDir() != b.isDir())
            return a.isDir();
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    entries_->clear();
    for (const fs::Entry& e : found) {
        auto* item = new QListWidgetItem(style()->standardIcon(e.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon), e.name);
        item->setData(Qt::UserRole, e.isDir());
        entries_->addItem(item);
    }
    return true;
}

void MachineBrowser::refresh()
{
    if (!folder_.isEmpty())
        setFolder(folder_);
}

void MachineBrowser::driveChosen(int index)
{
    if (!setFolder(drives_->itemData(index).toChar() + QStringLiteral(":\\")) && !folder_.isEmpty())
        drives_->setCurrentIndex(drives_->findData(folder_.at(0)));
}

void MachineBrowser::up()
{
    const winpath::Parts parts = winpath::split(folder_);
    if (!parts.components.isEmpty())
        setFolder(winpath::join(parts.drive, parts.components.mid(0, parts.components.size() - 1)));
}

QString MachineBrowser::child(const QString& name) const
{
    return folder_.endsWith(u'\\') ? folder_ + name : folder_ + u'\\' + name;
}

void MachineBrowser::activated(QListWidgetItem* item)
{
    if (item->data(Qt::UserRole).toBool()) {
        setFolder(child(item->text()));
    } else {
        chosen_ = {child(item->text())};
        QDialog::accept();
    }
}

void MachineBrowser::selectionChanged()
{
    QStringList names;
    for (const QListWidgetItem* item : entries_->selectedItems()) {
        if (!item->data(Qt::UserRole).toBool())
            names << item->text();
    }
    if (names.size() == 1)
        fileName_->setText(names.first());
    else if (names.size() > 1)
        fileName_->setText(u'"' + names.join(QStringLiteral("\" \"")) + u'"');
}

// The names in the file name box: one name as typed, or several in double quotes.
QStringList MachineBrowser::typedNames() const
{
    const QString text = fileName_->text().trimmed();
    if (!text.startsWith(u'"'))
        return text.isEmpty() ? QStringList() : QStringList{text};
    QStringList names;
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    for (const auto& m : quoted.globalMatch(text))
        names << m.captured(1);
    return names;
}

void MachineBrowser::accept()
{
    const QList<QListWidgetItem*> selected = entries_->selectedItems();
    const bool folderSelected = selected.size() == 1 && selected.first()->data(Qt::UserRole).toBool();
    if (mode_ == Folder) {
        chosen_ = {folderSelected ? child(selected.first()->text()) : folder_};
        QDialog::accept();
        return;
    }
    const QStringList names = typedNames();
    if (folderSelected && (names.isEmpty() || entries_->hasFocus())) {
        setFolder(child(selected.first()->text()));
        return;
    }
    if (names.isEmpty())
        return;
    if (names.size() > 1 && entries_->selectionMode() == QAbstractItemView::SingleSelection) {
        status_->setText(QStringLiteral("Choose one file only."));
        return;
    }
    QStringList paths;
    for (const QString& name : names) {
        const QString path = winpath::split(name).drive.isNull() ? child(name) : name;
        const Resolved r = Machine::current().resolve(path);
        if (r.ok() && r.isDir() && names.size() == 1) {
            fileName_->clear();
            setFolder(path);
            return;
        }
        if (!r.ok() || !r.isFile()) {
            status_->setText(QStringLiteral("%1\nFile not found. Check the file name and try again.").arg(path));
            return;
        }
        paths << r.win();
    }
    chosen_ = paths;
    QDialog::accept();
}

} // namespace vb
