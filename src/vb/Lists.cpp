#include "vb/Lists.h"

#include "vb/Error.h"
#include "vb/Form.h"

#include <QComboBox>
#include <QDropEvent>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <functional>

namespace vb {

// The list widget behind a ListBox: a horizontal scroll range set by the program (each row
// is as wide as the extent, not as its text) and files dropped from the desktop.
class ListWidget : public QListWidget {
public:
    explicit ListWidget(QWidget* parent) : QListWidget(parent)
    {
        setVerticalScrollMode(ScrollPerItem);   // the vertical scroll value is the top row
        setHorizontalScrollMode(ScrollPerPixel);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setItemDelegate(new ExtentDelegate(this));
    }

    int extent() const { return extent_; }
    void setExtent(int pixels)
    {
        extent_ = pixels;
        setHorizontalScrollBarPolicy(pixels > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        doItemsLayout();
    }

    std::function<void(const QStringList&)> onDrop;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (onDrop && event->mimeData()->hasUrls())
            event->acceptProposedAction();
        else
            QListWidget::dragEnterEvent(event);
    }

    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (onDrop && event->mimeData()->hasUrls())
            event->acceptProposedAction();
        else
            QListWidget::dragMoveEvent(event);
    }

    void dropEvent(QDropEvent* event) override
    {
        if (!onDrop || !event->mimeData()->hasUrls())
            return QListWidget::dropEvent(event);
        QStringList paths;
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        event->acceptProposedAction();
        onDrop(paths);
    }

private:
    class ExtentDelegate : public QStyledItemDelegate {
    public:
        explicit ExtentDelegate(ListWidget* list) : QStyledItemDelegate(list), list_(list) {}
        QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            const QSize size = QStyledItemDelegate::sizeHint(option, index);
            return list_->extent_ > 0 ? QSize(list_->extent_, size.height()) : size;
        }

    private:
        ListWidget* list_;
    };

    int extent_ = 0;
};

namespace {
int mouseButtons(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) | (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}
} // namespace

// --- ListBox ----------------------------------------------------------------------------

ListBox::ListBox(Place place, const QString& name) : WidgetControl(place, name, new ListWidget(place.widget()))
{
    connect(list(), &QListWidget::itemSelectionChanged, this, [this] {
        if (!byCode_)
            userEvent([this] { emit Click(); });
    });
    connect(list(), &QListWidget::itemDoubleClicked, this, [this] { userEvent([this] { emit DblClick(); }); });
    const auto forgetSelectedRows = [this] { selectedRowsKnown_ = false; };
    connect(list()->selectionModel(), &QItemSelectionModel::selectionChanged, this, forgetSelectedRows);
    QAbstractItemModel* rows = list()->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, forgetSelectedRows);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, forgetSelectedRows);
    connect(rows, &QAbstractItemModel::rowsMoved, this, forgetSelectedRows);
    connect(rows, &QAbstractItemModel::modelReset, this, forgetSelectedRows);
    connect(rows, &QAbstractItemModel::layoutChanged, this, forgetSelectedRows);
    list()->viewport()->installEventFilter(this);
    list()->viewport()->setMouseTracking(true);
}

ListWidget* ListBox::list() const { return static_cast<ListWidget*>(widget()); }

void ListBox::checkRow(int index, int error) const
{
    if (index < 0 || index >= ListCount())
        Raise(error);
}

void ListBox::AddItem(const QString& item, int index)
{
    const int count = ListCount();
    if (index < -1 || index > count)
        Raise(5);
    int at = index;
    if (at == -1) {
        at = count;
        if (sorted_) {
            at = 0;
            while (at < count && List(at).compare(item, Qt::CaseInsensitive) <= 0)
                ++at;
        }
    }
    QScopedValueRollback<bool> guard(byCode_, true);
    list()->insertItem(at, item);
    newIndex_ = at;
}

void ListBox::AddItems(const QStringList& items)
{
    if (sorted_) {
        for (const QString& item : items)
            AddItem(item);
        return;
    }
    QScopedValueRollback<bool> guard(byCode_, true);
    list()->addItems(items);
    if (!items.isEmpty())
        newIndex_ = ListCount() - 1;
}

void ListBox::RemoveItem(int index)
{
    checkRow(index, 5);
    QScopedValueRollback<bool> guard(byCode_, true);
    if (multiSelect_ == 0 && ListIndex() == index) {
        // The list chooses no other row in its place.
        list()->clearSelection();
        list()->setCurrentRow(-1);
    }
    delete list()->takeItem(index);
}

void ListBox::Clear()
{
    QScopedValueRollback<bool> guard(byCode_, true);
    list()->clear();
    newIndex_ = -1;
}

QString ListBox::List(int index) const
{
    if (index < 0)
        Raise(381);
    return index < ListCount() ? list()->item(index)->text() : QString();
}

void ListBox::setList(int index, const QString& text)
{
    if (index < 0)
        Raise(381);
    QScopedValueRollback<bool> guard(byCode_, true);
    while (ListCount() <= index)
        list()->addItem(QString());
    list()->item(index)->setText(text);
}

int ListBox::ListCount() const { return list()->count(); }

int ListBox::ListIndex() const
{
    if (multiSelect_ != 0)
        return list()->currentRow();   // the row with the focus
    const QList<QListWidgetItem*> selected = list()->selectedItems();
    return selected.isEmpty() ? -1 : list()->row(selected.first());
}

void ListBox::setListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        Raise(380);
    if (index == ListIndex())
        return;
    {
        QScopedValueRollback<bool> guard(byCode_, true);
        if (index == -1 && multiSelect_ == 0)
            list()->clearSelection();
        list()->setCurrentRow(index);
    }
    codeEvent([&] { emit Click(); });
}

// A row's own flag asks the view, which searches every range of its selection; a selection
// made row by row has as many ranges as rows.
const QBitArray& ListBox::selectedRows() const
{
    if (!selectedRowsKnown_) {
        selectedRows_ = QBitArray(ListCount());
        for (const QItemSelectionRange& range : list()->selectionModel()->selection())
            for (int row = qMax(0, range.top()); row <= range.bottom() && row < selectedRows_.size(); ++row)
                selectedRows_.setBit(row);
        selectedRowsKnown_ = true;
    }
    return selectedRows_;
}

bool ListBox::Selected(int index) const
{
    checkRow(index, 381);
    return selectedRows().testBit(index);
}

void ListBox::setAllSelected(bool selected)
{
    if (multiSelect_ == 0) {
        for (int i = 0; i < ListCount(); ++i)
            setSelected(i, selected);
        return;
    }
    if (ListCount() == 0)
        return;
    QScopedValueRollback<bool> guard(byCode_, true);
    QAbstractItemModel* rows = list()->model();
    const QItemSelection all(rows->index(0, 0), rows->index(ListCount() - 1, 0));
    list()->selectionModel()->select(all, selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void ListBox::setSelected(int index, bool selected)
{
    checkRow(index, 381);
    if (multiSelect_ == 0) {
        if (selected)
            setListIndex(index);
        else if (ListIndex() == index)
            setListIndex(-1);
        return;
    }
    QScopedValueRollback<bool> guard(byCode_, true);
    list()->item(index)->setSelected(selected);
}

void ListBox::setMultiSelect(int mode)
{
    static const QAbstractItemView::SelectionMode modes[] = {
        QAbstractItemView::SingleSelection, QAbstractItemView::MultiSelection, QAbstractItemView::ExtendedSelection};
    if (mode < 0 || mode > 2)
        Raise(380);
    multiSelect_ = mode;
    list()->setSelectionMode(modes[mode]);
}

int ListBox::SelCount() const { return int(selectedRows().count(true)); }

QString ListBox::Text() const
{
    const int row = ListIndex();
    return row >= 0 ? List(row) : QString();
}

int ListBox::TopIndex() const { return list()->verticalScrollBar()->value(); }

void ListBox::setTopIndex(int index)
{
    checkRow(index, 380);
    list()->scrollToItem(list()->item(index), QAbstractItemView::PositionAtTop);
}

int ListBox::ItemData(int index) const
{
    checkRow(index, 381);
    return list()->item(index)->data(Qt::UserRole).toInt();
}

void ListBox::setItemData(int index, int data)
{
    checkRow(index, 381);
    list()->item(index)->setData(Qt::UserRole, data);
}

void ListBox::setSorted(bool on) { sorted_ = on; }

void ListBox::setFixedPitch(bool on)
{
    setFontName(on ? QStringLiteral("Courier New") : QGuiApplication::font().family());
}

void ListBox::setPathEllipsis(bool on) { list()->setTextElideMode(on ? Qt::ElideMiddle : Qt::ElideRight); }

int ListBox::HorizontalExtent() const { return list()->extent(); }
void ListBox::setHorizontalExtent(int pixels) { list()->setExtent(qMax(0, pixels)); }

int ListBox::OLEDropMode() const { return list()->onDrop ? 1 : 0; }

void ListBox::setOLEDropMode(int mode)
{
    if (mode < 0 || mode > 1)
        Raise(380);
    list()->setAcceptDrops(mode == 1);
    list()->viewport()->setAcceptDrops(mode == 1);
    list()->onDrop = nullptr;
    if (mode == 1)
        list()->onDrop = [this](const QStringList& paths) { userEvent([&] { emit OLEDragDrop(paths); }); };
}

bool ListBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const int button = mouseButtons(event->type() == QEvent::MouseButtonPress ? Qt::MouseButtons(mouse->button())
                                                                                : mouse->buttons());
    const int shift = shiftState(mouse->modifiers());
    const QPoint at = mouse->position().toPoint();
    userEvent([&] {
        if (event->type() == QEvent::MouseButtonPress)
            emit MouseDown(button, shift, twipsFromPixels(at.x()), twipsFromPixels(at.y()));
        else
            emit MouseMove(button, shift, twipsFromPixels(at.x()), twipsFromPixels(at.y()));
    });
    return false;
}

// --- ComboBox ---------------------------------------------------------------------------

ComboBox::ComboBox(Place place, const QString& name, int style)
    : WidgetControl(place, name, new QComboBox(place.widget())), style_(style)
{
    if (style < 0 || style > 2)
        Raise(380);
    if (style != 2) {
        combo()->setEditable(true);
        combo()->setInsertPolicy(QComboBox::NoInsert);
        connect(combo()->lineEdit(), &QLineEdit::textEdited, this,
                [this] { userEvent([this] { emit Change(); }); });
    }
    connect(combo(), &QComboBox::activated, this, [this] {
        if (!byCode_)
            userEvent([this] { emit Click(); });
    });
}

QComboBox* ComboBox::combo() const { return static_cast<QComboBox*>(widget()); }

void ComboBox::AddItem(const QString& item, int index)
{
    const int count = ListCount();
    if (index < -1 || index > count)
        Raise(5);
    QScopedValueRollback<bool> guard(byCode_, true);
    const QString text = Text();
    combo()->insertItem(index == -1 ? count : index, item);
    if (style_ != 2)
        combo()->setEditText(text);   // adding a row leaves the typed text alone
}

void ComboBox::RemoveItem(int index)
{
    if (index < 0 || index >= ListCount())
        Raise(5);
    QScopedValueRollback<bool> guard(byCode_, true);
    combo()->removeItem(index);
}

void ComboBox::Clear()
{
    QScopedValueRollback<bool> guard(byCode_, true);
    combo()->clear();
}

QString ComboBox::List(int index) const
{
    if (index < 0)
        Raise(381);
    return combo()->itemText(index);
}

int ComboBox::ListCount() const { return combo()->count(); }

int ComboBox::ListIndex() const
{
    const int index = combo()->currentIndex();
    if (index >= 0 && style_ != 2 && combo()->currentText() != combo()->itemText(index))
        return -1;
    return index;
}

void ComboBox::setListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        Raise(380);
    if (index == ListIndex())
        return;
    {
        QScopedValueRollback<bool> guard(byCode_, true);
        combo()->setCurrentIndex(index);
        if (style_ != 2 && index >= 0)
            combo()->setEditText(combo()->itemText(index));
    }
    codeEvent([&] { emit Click(); });
}

QString ComboBox::Text() const { return combo()->currentText(); }

void ComboBox::setText(const QString& text)
{
    if (style_ == 2) {
        const int row = combo()->findText(text, Qt::MatchFixedString);
        if (row < 0)
            Raise(383);
        setListIndex(row);
        return;
    }
    if (text == Text())
        return;
    {
        QScopedValueRollback<bool> guard(byCode_, true);
        combo()->setEditText(text);
    }
    codeEvent([&] { emit Change(); });
}

} // namespace vb
