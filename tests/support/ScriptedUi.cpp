#include "support/ScriptedUi.h"
#include "vb/Form.h"
#include "vb/FormatDialog.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {

ScriptedUi* g_installed = nullptr;

class UninstallAtTestEnd : public ::testing::EmptyTestEventListener {
    // Runs before the result printer's OnTestEnd (end events go to listeners in reverse
    // order), so left-over expectations still count against the test.
    void OnTestEnd(const ::testing::TestInfo&) override { ScriptedUi::uninstall(); }
};

} // namespace

ScriptedUi& ScriptedUi::install()
{
    static const bool listening = [] {
        ::testing::UnitTest::GetInstance()->listeners().Append(new UninstallAtTestEnd);
        return true;
    }();
    (void)listening;
    auto ui = std::make_unique<ScriptedUi>();
    ScriptedUi& installed = *ui;
    vb::setUi(std::move(ui));
    g_installed = &installed;
    return installed;
}

void ScriptedUi::uninstall()
{
    if (g_installed)
        vb::setUi(nullptr);
}

ScriptedUi::~ScriptedUi()
{
    if (g_installed == this)
        g_installed = nullptr;
    unusedReported_ = true;
    for (const QString& line : script().unused())
        ADD_FAILURE() << "expected box never shown: " << line.toStdString();
    for (const FormHandler& f : forms_) {
        if (!f.used)
            ADD_FAILURE() << "expected window never shown: " << f.name.toStdString();
    }
}

ScriptedUi& ScriptedUi::add(vb::BoxKind kind, const QString& textPart, const QString& answer, std::function<void()> actFirst)
{
    const int line = script().add({textPart, answer, kind, textPart + QStringLiteral(" => ") + answer});
    if (actFirst)
        actions_.insert(line, std::move(actFirst));
    return *this;
}

ScriptedUi& ScriptedUi::expect(const QString& textPart, const QString& answer, std::function<void()> actFirst)
{
    return add(vb::BoxKind::Any, textPart, answer, std::move(actFirst));
}

ScriptedUi& ScriptedUi::expectInput(const QString& textPart, const QString& typed, std::function<void()> actFirst)
{
    return add(vb::BoxKind::Input, textPart, u'"' + typed + u'"', std::move(actFirst));
}

ScriptedUi& ScriptedUi::expectFiles(const QString& textPart, const QStringList& paths, std::function<void()> actFirst)
{
    return add(vb::BoxKind::Files, textPart, paths.isEmpty() ? QStringLiteral("Cancel") : paths.join(u';'), std::move(actFirst));
}

ScriptedUi& ScriptedUi::expectFolder(const QString& textPart, const QString& path, std::function<void()> actFirst)
{
    return add(vb::BoxKind::Folder, textPart, path.isEmpty() ? QStringLiteral("Cancel") : path, std::move(actFirst));
}

ScriptedUi& ScriptedUi::expectFormat(const QString& answer, std::function<void()> actFirst)
{
    return add(vb::BoxKind::Format, vb::formatDialogCaption(), answer, std::move(actFirst));
}

ScriptedUi& ScriptedUi::onForm(const QString& name, std::function<void(vb::Form&)> handler)
{
    forms_.append({name, std::move(handler)});
    return *this;
}

bool ScriptedUi::ModalForm(vb::Form& form)
{
    for (FormHandler& f : forms_) {
        if (!f.used && f.name.compare(form.Name(), Qt::CaseInsensitive) == 0) {
            f.used = true;
            shown_.append({{vb::BoxKind::Form, {}, form.Caption(), {}}, QStringLiteral("(handled by onForm)")});
            f.handler(form);
            return true;
        }
    }
    return ScriptUi::ModalForm(form);
}

void ScriptedUi::EndProcess(int code)
{
    vb::AtEnd();
    throw ProcessEnded{code};
}

void ScriptedUi::unexpected(const QString& report) { ADD_FAILURE() << report.toStdString(); }

void ScriptedUi::answering(int line)
{
    if (auto action = actions_.take(line))
        action();
}

} // namespace testsupport
