#pragma once
// The program's forms by name. A form is created the first time it is touched (constructed
// with its design texts, then Form_Load, window hidden) and stays loaded until it is
// unloaded; the next touch creates it anew.
//
//     vb::Forms::get("RestoreReq").control<vb::CheckBox>("Check5").setValue(1);
//     RestoreReqForm& RestoreReq() { return vb::Forms::get<RestoreReqForm>("RestoreReq"); }
//
// Form_Activate runs when one of these forms becomes the active one after another of them
// (or none) was: on Show, on SetFocus, when the user switches windows, and for the form
// that takes over when the active one is hidden. Message boxes and dialogs are not forms,
// so coming back from them activates nothing.
#include "vb/Form.h"

#include <QList>
#include <QString>
#include <functional>

namespace vb {

class Forms {
public:
    using Factory = std::function<Form*()>;

    static void registerFactory(const QString& name, Factory factory);

    // The loaded form, loaded now when it is not. A Form_Load that fails leaves the form
    // unloaded and its error reaches the caller. Error 424 for a name without a factory.
    static Form& get(const QString& name);
    template <class T>
    static T& get(const QString& name)
    {
        if (auto* form = dynamic_cast<T*>(&get(name)))
            return *form;
        throw Error(13);
    }

    static bool isLoaded(const QString& name);
    static QList<Form*> loaded();   // in load order
    static Form* active();           // nullptr when none of the forms is active
    static Form* fromHwnd(qint32 hWnd);

    // Form_QueryUnload, then Form_Unload; either may cancel (false is returned), and the
    // close box (vbFormControlMenu) of a form at work unloads nothing (Form::AtWork).
    // Otherwise the window is hidden, the form leaves the loaded list and is destroyed once
    // control returns to the event loop (or at the next DoEvents), and not before its work
    // is over.
    static bool unload(const QString& name);
    static bool unload(Form& form, int unloadMode = vbFormCode);

    // For tests: destroy every loaded form at once, without its unload events; reset()
    // forgets the factories too.
    static void unloadAll();
    static void reset();

private:
    friend class Form;
    static void activate(Form& form);
    static void windowActivated();
    static void followWindowSystem();
    static void formHidden(Form& form);
    static void forget(Form& form);
};

} // namespace vb
