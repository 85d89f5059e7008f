#pragma once
// List and combo boxes. Rows are counted from 0; ListIndex -1 means no row.
#include "vb/Controls.h"

#include <QBitArray>
#include <QStringList>

class QComboBox;
class QListWidget;

namespace vb {

class ListWidget;

class ListBox : public WidgetControl {
    Q_OBJECT
public:
    ListBox(Place place, const QString& name);

    void AddItem(const QString& item, int index = -1);   // -1: at the end (sorted place when Sorted)
    void AddItems(const QStringList& items);   // each as AddItem(item) adds it, in one step
    void RemoveItem(int index);                           // error 5 for a row that does not exist
    void Clear();
    QString List(int index) const;                  // "" at or past the end; error 381 when negative
    void setList(int index, const QString& text);   // past the end: rows are added up to index
    int ListCount() const;
    int ListIndex() const;
    void setListIndex(int index);   // selects the row; Click when it changes; error 380 outside -1..count-1
    bool Selected(int index) const;
    void setSelected(int index, bool selected);
    // Every row of a multi-select list selected (or none), in one change of the selection.
    void setAllSelected(bool selected);
    int MultiSelect() const { return multiSelect_; }
    void setMultiSelect(int mode);   // 0 one row, 1 simple (a click toggles a row), 2 extended
    int SelCount() const;
    QString Text() const;   // the current row's text
    int TopIndex() const;
    void setTopIndex(int index);
    int ItemData(int index) const;
    void setItemData(int index, int data);
    bool Sorted() const { return sorted_; }
    void setSorted(bool on);   // rows added later go to their place, compared without case
    int NewIndex() const { return newIndex_; }   // the row AddItem put the last item in

    void setFixedPitch(bool on);             // Courier New, or the host's fixed-pitch font
    int HorizontalExtent() const;            // pixels; 0: no horizontal scroll bar
    void setHorizontalExtent(int pixels);
    // Rows of paths too long for the list show "..." in place of their middle, not their end.
    void setPathEllipsis(bool on);
    int OLEDropMode() const;
    void setOLEDropMode(int mode);           // 1: files dropped from the desktop raise OLEDragDrop

signals:
    void Click();
    void DblClick();
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in twips.
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void OLEDragDrop(const QStringList& hostPaths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListWidget* list() const;
    void checkRow(int index, int error) const;
    // The selected rows, read from the view once per change of its selection or rows.
    const QBitArray& selectedRows() const;
    mutable QBitArray selectedRows_;
    mutable bool selectedRowsKnown_ = false;
    int multiSelect_ = 0;
    bool sorted_ = false;
    bool byCode_ = false;
    int newIndex_ = -1;
};

// Style 0: a text box with a list; style 2: a drop-down list whose text is one of its rows.
class ComboBox : public WidgetControl {
    Q_OBJECT
public:
    ComboBox(Place place, const QString& name, int style = 0);
    int Style() const { return style_; }

    void AddItem(const QString& item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    QString List(int index) const;
    int ListCount() const;
    int ListIndex() const;   // -1 also when the typed text is not the chosen row's
    void setListIndex(int index);   // Click when it changes; error 380 outside -1..count-1
    QString Text() const;
    void setText(const QString& text);   // style 2: chooses the row of that text (error 383 without one)

signals:
    void Click();
    void Change();

private:
    QComboBox* combo() const;
    int style_;
    bool byCode_ = false;
};

} // namespace vb
