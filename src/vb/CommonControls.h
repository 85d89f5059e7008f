#pragma once
// The common controls: progress bar, status bar, slider and the tab control with a page
// per tab.
#include "vb/Controls.h"

class QLabel;
class QProgressBar;
class QSlider;
class QTabWidget;

namespace vb {

class ProgressBar : public WidgetControl {
    Q_OBJECT
public:
    ProgressBar(Place place, const QString& name);
    int Min() const;
    void setMin(int min);   // error 380 unless below Max
    int Max() const;
    void setMax(int max);   // error 380 unless above Min
    int Value() const;
    void setValue(int value);   // error 380 outside Min..Max
    // Shows the bar `fraction` (0 to 1) of the way from Value() to the value after it, without
    // changing Value(): how far the work of one step has come. Setting Value, Min or Max
    // ends it.
    void setPartWay(double fraction);
    double PartWay() const;

private:
    QProgressBar* bar() const;
};

// Docked along the bottom of its form. Style 0 shows the text of its panel (Text), style 1
// (simple) shows SimpleText.
class StatusBar : public WidgetControl {
    Q_OBJECT
public:
    StatusBar(Place place, const QString& name);
    int Style() const { return style_; }
    void setStyle(int style);
    const QString& SimpleText() const { return simpleText_; }
    void setSimpleText(const QString& text);
    const QString& Text() const { return text_; }
    void setText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label() const;
    void show();
    void dock();
    int style_ = 0;
    QString simpleText_;
    QString text_;
};

// The user's moves raise Scroll while the thumb is dragged and Change once the value has
// changed; a change by code raises Change. Click follows a mouse click.
class Slider : public WidgetControl {
    Q_OBJECT
public:
    Slider(Place place, const QString& name);
    int Min() const;
    void setMin(int min);
    int Max() const;
    void setMax(int max);
    int Value() const;
    void setValue(int value);   // error 380 outside Min..Max
    int TickFrequency() const;
    void setTickFrequency(int frequency);

signals:
    void Change();
    void Scroll();
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSlider* slider() const;
    bool byCode_ = false;
    int pressValue_ = 0;
};

// Tabs counted from 0, each with a page on which controls are placed (Place{strip, tab}).
// Changing the current tab, by the user or by code, raises Click with the previous tab.
class TabStrip : public WidgetControl {
    Q_OBJECT
public:
    TabStrip(Place place, const QString& name, int tabs);
    int Tabs() const;
    QString TabCaption(int tab) const;
    void setTabCaption(int tab, const QString& caption);
    int Tab() const;
    void setTab(int tab);   // error 380 for a tab that does not exist
    bool TabEnabled(int tab) const;
    void setTabEnabled(int tab, bool enabled);
    bool TabVisible(int tab) const;
    void setTabVisible(int tab, bool visible);
    QWidget* page(int tab) const;

signals:
    void Click(int previousTab);

private:
    QTabWidget* tabs() const;
    void checkTab(int tab, int error) const;
    bool byCode_ = false;
    int current_ = 0;
};

} // namespace vb
