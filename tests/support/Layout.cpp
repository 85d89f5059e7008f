#include "support/Layout.h"
#include "vb/Form.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace testsupport {

namespace {

QString shortText(const QString& text)
{
    QString t = text;
    t.replace(u'\n', u' ');
    return t.size() > 40 ? t.left(37) + QStringLiteral("...") : t;
}

// Shown on screen: the control and every widget above it up to the window are visible
// (a control on a tab page that is not current counts as not shown).
bool shown(const QWidget* w) { return w->isVisibleTo(w->window()) && w->window()->isVisible(); }

} // namespace

QStringList textsCutOff(const vb::Form& form)
{
    QStringList out;
    for (vb::Control* control : form.controls()) {
        auto* wc = qobject_cast<vb::WidgetControl*>(control);
        if (!wc || !shown(wc->widget()))
            continue;
        QWidget* w = wc->widget();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || !label->pixmap().isNull())
                continue;
            const int width = label->contentsRect().width();
            if (label->wordWrap()) {
                const int needed = label->heightForWidth(label->width());
                // A word longer than the line cannot be wrapped: it must fit by itself.
                const int widest = QFontMetrics(label->font()).boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap,
                                                                            label->text()).width();
                if (needed > label->height() || widest > width)
                    out << QStringLiteral("%1: '%2' needs %3x%4 px, has %5x%6")
                               .arg(control->Name(), shortText(label->text()))
                               .arg(widest)
                               .arg(needed)
                               .arg(width)
                               .arg(label->height());
            } else if (label->sizeHint().width() > label->width() || label->sizeHint().height() > label->height()) {
                out << QStringLiteral("%1: '%2' needs %3x%4 px, has %5x%6")
                           .arg(control->Name(), shortText(label->text()))
                           .arg(label->sizeHint().width())
                           .arg(label->sizeHint().height())
                           .arg(label->width())
                           .arg(label->height());
            }
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            // A push button's own size hint asks for a minimum width; its text needs less.
            const int needed = push->fontMetrics().horizontalAdvance(QString(push->text()).remove(u'&')) + 8;
            if (!push->text().isEmpty() && needed > push->width())
                out << QStringLiteral("%1: '%2' needs %3 px, has %4")
                           .arg(control->Name(), shortText(push->text()))
                           .arg(needed)
                           .arg(push->width());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
                out << QStringLiteral("%1: '%2' needs %3 px, has %4")
                           .arg(control->Name(), shortText(button->text()))
                           .arg(button->sizeHint().width())
                           .arg(button->width());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            if (box->title().isEmpty())
                continue;
            const int needed = box->fontMetrics().horizontalAdvance(box->title()) + 8;
            if (needed > box->width())
                out << QStringLiteral("%1: '%2' needs %3 px, has %4").arg(control->Name(), shortText(box->title())).arg(needed).arg(box->width());
        }
    }
    return out;
}

} // namespace testsupport
