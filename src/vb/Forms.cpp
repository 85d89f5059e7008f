#include "vb/Forms.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>
#include <memory>

namespace vb {

namespace {
struct Registry {
    QHash<QString, Forms::Factory> factories;   // by lower-case name
    QHash<QString, QString> names;              // lower-case name -> name as registered
    QList<Form*> loaded;
    QList<QPointer<Form>> activations;   // the most recently active last
    QPointer<Form> active;
    bool followPending = false;
    bool quiet = false;   // no events while tests tear the forms down
};

Registry& registry()
{
    static Registry r;
    return r;
}

Form* findLoaded(const QString& name)
{
    for (Form* form : registry().loaded)
        if (form->Name().compare(name, Qt::CaseInsensitive) == 0)
            return form;
    return nullptr;
}
} // namespace

void Forms::registerFactory(const QString& name, Factory factory)
{
    registry().factories.insert(name.toLower(), std::move(factory));
    registry().names.insert(name.toLower(), name);
}

Form& Forms::get(const QString& name)
{
    if (Form* form = findLoaded(name))
        return *form;
    Registry& r = registry();
    const auto factory = r.factories.constFind(name.toLower());
    if (factory == r.factories.constEnd())
        throw Error(424, QStringLiteral("Object required: no form named %1").arg(name));
    const Factory make = *factory;
    std::unique_ptr<Form> form(make());
    form->name_ = r.names.value(name.toLower());
    // Loaded from here on, so that its Form_Load (and whatever it calls) finds it by name.
    r.loaded.append(form.get());
    {
        const Form::Working working(*form);
        form->Form_Load();
    }
    return *form.release();
}

bool Forms::isLoaded(const QString& name) { return findLoaded(name) != nullptr; }
QList<Form*> Forms::loaded() { return registry().loaded; }
Form* Forms::active() { return registry().active; }

Form* Forms::fromHwnd(qint32 hWnd)
{
    for (Form* form : registry().loaded)
        if (form->hWnd() == hWnd)
            return form;
    return nullptr;
}

bool Forms::unload(const QString& name)
{
    Form* form = findLoaded(name);
    return form && unload(*form, vbFormCode);
}

bool Forms::unload(Form& form, int unloadMode)
{
    Registry& r = registry();
    if (!r.loaded.contains(&form) || form.unloading_)
        return false;
    {
        QScopedValueRollback<bool> unloading(form.unloading_, true);
        int cancel = 0;
        form.Form_QueryUnload(cancel, unloadMode);
        if (unloadMode == vbFormControlMenu && form.AtWork())
            return false;
        if (!cancel)
            form.Form_Unload(cancel);
        if (cancel)
            return false;
    }
    r.loaded.removeOne(&form);
    form.window()->hide();
    // The handlers may be running right now (Unload from one of the form's own buttons):
    // nothing of the form reacts any more, and it goes once control is back in the loop.
    for (Control* control : form.controls())
        control->blockSignals(true);
    form.blockSignals(true);
    if (form.AtWork())
        form.destroyWhenIdle_ = true;
    else
        form.deleteLater();
    return true;
}

void Forms::unloadAll()
{
    Registry& r = registry();
    QScopedValueRollback<bool> quiet(r.quiet, true);
    while (!r.loaded.isEmpty())
        delete r.loaded.takeLast();
    r.activations.clear();
    r.active = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Forms::reset()
{
    unloadAll();
    registry().factories.clear();
    registry().names.clear();
}

void Forms::activate(Form& form)
{
    Registry& r = registry();
    if (!r.loaded.contains(&form))
        return;
    r.activations.removeAll(&form);
    r.activations.append(&form);
    if (r.active == &form)
        return;
    r.active = &form;
    if (!r.quiet) {
        const Form::Working working(form);
        form.Form_Activate();
    }
}

// The window system reports activations late and sometimes in bursts (the echo of every
// Show in a row); what counts is the window that is active once the burst is over.
void Forms::windowActivated()
{
    Registry& r = registry();
    if (r.followPending)
        return;
    r.followPending = true;
    QMetaObject::invokeMethod(
        qApp, [] { runEventHandler(&Forms::followWindowSystem); }, Qt::QueuedConnection);
}

void Forms::followWindowSystem()
{
    Registry& r = registry();
    r.followPending = false;
    const QWidget* window = QApplication::activeWindow();
    for (Form* form : r.loaded)
        if (form->window() == window) {
            activate(*form);
            return;
        }
}

void Forms::formHidden(Form& form)
{
    Registry& r = registry();
    if (r.active != &form)
        return;
    r.active = nullptr;
    for (qsizetype i = r.activations.size() - 1; i >= 0; --i) {
        Form* next = r.activations.at(i);
        if (next && next != &form && r.loaded.contains(next) && next->Visible()) {
            next->window()->activateWindow();
            activate(*next);
            return;
        }
    }
}

void Forms::forget(Form& form)
{
    Registry& r = registry();
    r.loaded.removeOne(&form);
    r.activations.removeAll(&form);
}

} // namespace vb
