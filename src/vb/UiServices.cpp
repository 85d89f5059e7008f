#include "vb/UiServices.h"
#include "platform/Machine.h"
#include "vb/QtUi.h"
#include "vb/Screen.h"
#include "vb/ScriptUi.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdlib>

namespace vb {

namespace {

struct ButtonSpec {
    const char* caption;
    int result;
};

QList<ButtonSpec> buttonsOf(const MessageBoxRequest& r)
{
    QList<ButtonSpec> b;
    switch (r.buttonSet()) {
    case vbOKCancel: b = {{"OK", vbOK}, {"Cancel", vbCancel}}; break;
    case vbAbortRetryIgnore: b = {{"Abort", vbAbort}, {"Retry", vbRetry}, {"Ignore", vbIgnore}}; break;
    case vbYesNoCancel: b = {{"Yes", vbYes}, {"No", vbNo}, {"Cancel", vbCancel}}; break;
    case vbYesNo: b = {{"Yes", vbYes}, {"No", vbNo}}; break;
    case vbRetryCancel: b = {{"Retry", vbRetry}, {"Cancel", vbCancel}}; break;
    default: b = {{"OK", vbOK}}; break;
    }
    if (r.buttons & vbMsgBoxHelpButton)
        b.append({"Help", 0});
    return b;
}

std::unique_ptr<UiServices>& installed()
{
    static std::unique_ptr<UiServices> services;
    return services;
}

bool hasDisplay()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != u"offscreen" && platform != u"minimal";
}

std::vector<std::function<void()>>& endHooks()
{
    static std::vector<std::function<void()>> hooks;
    return hooks;
}

} // namespace

QStringList MessageBoxRequest::buttonCaptions() const
{
    QStringList out;
    for (const ButtonSpec& b : buttonsOf(*this))
        out << QString::fromLatin1(b.caption);
    return out;
}

QList<int> MessageBoxRequest::buttonResults() const
{
    QList<int> out;
    for (const ButtonSpec& b : buttonsOf(*this))
        out << b.result;
    return out;
}

int MessageBoxRequest::defaultResult() const
{
    const QList<int> results = buttonResults();
    const int i = defaultButton();
    return i < results.size() && results[i] != 0 ? results[i] : results.first();
}

UiServices& ui()
{
    auto& services = installed();
    if (!services) {
        if (hasDisplay())
            services = std::make_unique<QtUi>();
        else
            services = std::make_unique<ScriptUi>();
    }
    return *services;
}

void setUi(std::unique_ptr<UiServices> services)
{
    // The old services go first: a script reports its unused lines as it goes.
    installed().reset();
    installed() = std::move(services);
}

void OnEnd(std::function<void()> hook) { endHooks().push_back(std::move(hook)); }

void AtEnd()
{
    // The program is on its way out: what its last steps wait for runs no handler.
    const OnlyPaintWhileWaiting ending;
    auto hooks = std::exchange(endHooks(), {});
    for (auto& hook : hooks)
        hook();
}

namespace {
// While a question is up the user may change the machine: the drives are looked at again
// when it comes up (for what runs while it waits) and once it is answered.
template <class F>
auto asking(F question)
{
    platform::Machine::lookAgain();
    struct After {
        ~After() { platform::Machine::lookAgain(); }
    } after;
    return question();
}
} // namespace

int MsgBox(const QString& prompt, int buttons, const QString& title, const QString& helpFile, int context)
{
    return asking([&] { return ui().MsgBox({prompt, buttons, title, helpFile, context}); });
}

QString InputBox(const QString& prompt, const QString& title, const QString& def)
{
    return asking([&] { return ui().InputBox(prompt, title, def).value_or(QString()); });
}

QStringList OpenFiles(const FileDialogRequest& request)
{
    return asking([&] { return ui().OpenFiles(request); });
}

QString BrowseForFolder(const QString& title)
{
    return asking([&] { return ui().BrowseForFolder(title); });
}

void FormatFloppy()
{
    asking([] { ui().FormatFloppy(); });
}

bool ModalForm(Form& form)
{
    return asking([&] { return ui().ModalForm(form); });
}

void Beep() { ui().Beep(); }

void End(int code)
{
    ui().EndProcess(code);
    std::abort();   // a virtual call does not carry [[noreturn]]; EndProcess never returns
}

static AppObject& appObject()
{
    static AppObject app = [] {
        AppObject a;
        a.Title = QStringLiteral("Trelvo");
        if (QCoreApplication::instance())
            a.EXEName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        return a;
    }();
    return app;
}

AppObject& App()
{
    AppObject& app = appObject();
    // Path follows the machine of the process (tests switch machines) unless the program set it.
    static QString derivedFor, derivedPath;
    const platform::Machine& m = platform::Machine::current();
    if (m.dir() != derivedFor && app.Path == derivedPath) {
        app.Path = derivedPath = m.programFolder();
        derivedFor = m.dir();
    }
    return app;
}

// Without App(): showing a box must not bring a machine into being.
QString boxTitle(const QString& title) { return title.isEmpty() ? appObject().Title : title; }

} // namespace vb
