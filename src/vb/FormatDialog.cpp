#include "vb/FormatDialog.h"
#include "platform/Machine.h"
#include "platform/SysError.h"
#include "vb/Error.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vb {

QString formatDialogCaption() { return QStringLiteral("Format - 3\u00BD Floppy (A:)"); }

FormatOutcome formatDiskInDriveA(bool quick, const QString& label)
{
    platform::Machine& m = platform::Machine::current();
    const QString disk = m.insertedDisk(u'A');
    if (disk.isEmpty() || !m.diskExists(disk))
        return {false, QStringLiteral("There is no disk in drive A:. Insert a disk, and then click Start.")};
    try {
        m.formatDisk(disk, quick, label);
    } catch (const platform::SysError& e) {
        switch (e.code()) {
        case platform::ErrPathFileAccess:
            return {false, QStringLiteral("The disk in drive A: is write-protected. Remove the write protection, and then click Start.")};
        case platform::ErrDiskNotReady:
            return {false, QStringLiteral("The disk in drive A: is not formatted, so a quick format cannot erase it. "
                                          "Choose Full, and then click Start.")};
        default:
            return {false, QStringLiteral("Drive A: could not be formatted: %1.").arg(ErrorText(e.code()))};
        }
    }
    const qint64 free = m.diskVolume(disk)->freeBytes();
    return {true, QStringLiteral("Format complete: %1 bytes available on the disk.").arg(QLocale(QLocale::English).toString(free))};
}

QString floppyCapacityText()
{
    const auto volume = platform::Machine::current().volume(u'A');
    // A disk whose record is damaged knows no capacity: a format makes it a 1.44 MB one.
    const qint64 capacity = volume && volume->capacity() > 0 ? volume->capacity() : platform::DiskFormat::byName(QStringLiteral("1.44M")).capacity;
    for (const auto& [name, text] : {std::pair{"720K", "720 Kb (3.5\")"}, {"1.44M", "1.44 Mb (3.5\")"}, {"2.88M", "2.88 Mb (3.5\")"}}) {
        if (platform::DiskFormat::byName(QString::fromLatin1(name)).capacity == capacity)
            return QString::fromLatin1(text);
    }
    return QStringLiteral("%1 bytes").arg(QLocale(QLocale::English).toString(capacity));
}

FormatDialog::FormatDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(formatDialogCaption());
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(QStringLiteral("Capacity:")));
    capacity_ = new QLabel(floppyCapacityText());
    capacity_->setObjectName(QStringLiteral("capacity"));
    capacity_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(capacity_);

    auto* type = new QGroupBox(QStringLiteral("Format type"));
    auto* typeLayout = new QVBoxLayout(type);
    quick_ = new QRadioButton(QStringLiteral("Quick (erase)"));
    quick_->setObjectName(QStringLiteral("quick"));
    quick_->setChecked(true);
    full_ = new QRadioButton(QStringLiteral("Full"));
    full_->setObjectName(QStringLiteral("full"));
    typeLayout->addWidget(quick_);
    typeLayout->addWidget(full_);
    layout->addWidget(type);

    auto* options = new QGroupBox(QStringLiteral("Other options"));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(new QLabel(QStringLiteral("Label:")));
    label_ = new QLineEdit;
    label_->setObjectName(QStringLiteral("label"));
    label_->setMaxLength(11);
    optionsLayout->addWidget(label_);
    noLabel_ = new QCheckBox(QStringLiteral("No label"));
    noLabel_->setObjectName(QStringLiteral("noLabel"));
    connect(noLabel_, &QCheckBox::toggled, label_, &QWidget::setDisabled);
    optionsLayout->addWidget(noLabel_);
    layout->addWidget(options);

    result_ = new QLabel;
    result_->setObjectName(QStringLiteral("result"));
    result_->setWordWrap(true);
    layout->addWidget(result_);

    auto* buttons = new QDialogButtonBox;
    QPushButton* start = buttons->addButton(QStringLiteral("Start"), QDialogButtonBox::ActionRole);
    start->setObjectName(QStringLiteral("start"));
    start->setDefault(true);
    QPushButton* close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("close"));
    connect(start, &QPushButton::clicked, this, &FormatDialog::start);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);

    // Wide enough for the caption in the title bar, beside the window system's icon and buttons.
    QFont title = font();
    title.setBold(true);
    setMinimumWidth(QFontMetrics(title).horizontalAdvance(windowTitle()) + 110);
}

void FormatDialog::start()
{
    const FormatOutcome outcome = formatDiskInDriveA(quick_->isChecked(), noLabel_->isChecked() ? QString() : label_->text());
    result_->setText(outcome.message);
    capacity_->setText(floppyCapacityText());
    // The answer takes lines of its own: the dialog grows rather than squeeze the fields.
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
    if (needed > height())
        resize(width(), needed);
}

} // namespace vb
