#include "backup/SaveSteps.h"
#include "core/IniValues.h"
#include "core/Shell.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"

namespace backup::steps {

// Runs zip for one archive. True when the run ended with 0 or 12 and its archive is there;
// anything else is logged, and zipFailure_ says why the archive is not there.
bool SaveRun::zipRun(int progress, const QString& suffix, const QString& options, const QString& source, const QString& status)
{
    showRunStatus(status + text(1019));
    const QString archive = archivePath(suffix);
    s.ZipCommand = QStringLiteral("zip.exe -") + s.Compression.trimmed() + options + quoted(archive) + u' ' + source;
    s.ShellCommand = s.ZipCommand;
    std::optional<int> exitCode;
    const int startError = vb::ResumeNext([&] {
        core::ShellAndWait(s.ShellCommand);
        exitCode = core::LastExitCode();
    });
    vb::DoEvents();
    vb::ResumeNext([&] { showProgress(progress); });

    if (startError != 0) {
        core::ErrorLog(startError, archive + QStringLiteral(" Save"));
        zipFailure_ = reasonFor(startError);
        return false;
    }
    if (!exitCode || (*exitCode != 0 && *exitCode != 12)) {
        const QString ended = exitCode ? text(2176) + QString::number(*exitCode) : text(2177);
        // A write or create error of zip's own says when the disk is full.
        const bool diskFull = (exitCode == 14 || exitCode == 15) && core::LastOutput().contains(QStringLiteral("No space left on device"));
        core::ErrorLog(diskFull ? 61 : 0, archive + QStringLiteral(": ") + ended + QStringLiteral(" Save"));
        zipFailure_ = diskFull ? reasonFor(61) : ended;
        return false;
    }
    bool there = false;
    vb::ResumeNext([&] { there = !vb::Dir(archive).isEmpty(); });
    // Nothing to pack: what was to go in is not there.
    if (!there)
        zipFailure_ = reasonFor(53);
    else
        archiveHolds_[suffix] << namedBy(status);
    return there;
}

std::array<DataRun, 7> browserAndMailRuns()
{
    const core::ProgramState& s = core::state();
    const auto ticked = [](const char16_t* box) { return userBox(box).Value() != 0; };
    const auto available = [](const char16_t* box) { return tickedAndEnabled(userBox(box)); };
    const auto run = [&](const char16_t* box, bool chosen, const QString& folder, const char16_t* suffix, const char16_t* options,
                         const QString& source, const char16_t* status) {
        return DataRun{box, chosen && !folder.isEmpty(), available(box) && folder.isEmpty(), suffix, options, source, status};
    };
    return {{
        run(u"Check1", available(u"Check1"), s.AddressBookFile, u"ma.tva", u"q ", s.AddressBookFile, u"Saving Microsoft Windows Adressbook."),
        run(u"Check12", ticked(u"Check12"), s.PathFavorites, u"mb.tva", u"qurS ", s.PathFavorites + QStringLiteral("*.*"),
            u"Saving Microsoft Internet Explorer Bookmarks."),
        run(u"Check2", available(u"Check2"), s.IECookiesFolder, u"mc.tva", u"qurgS ", s.IECookiesFolder + QStringLiteral("*.*"),
            u"Saving Microsoft Internet Explorer Cookies."),
        run(u"Check3", available(u"Check3"), s.OutlookExpressFolder, u"mx.tva", u"qurgS ", s.OutlookExpressFolder + QStringLiteral("*.*"),
            u"Saving Microsoft Outlook Express Mailbox."),
        run(u"Check11", ticked(u"Check11"), s.PathNetscape, u"na.tva", u"qgurS ", s.PathNetscape + QStringLiteral("\\Bookmark.htm"),
            u"Saving Netscape Navigator Bookmarks."),
        run(u"Check4", ticked(u"Check4"), s.PathNetscape, u"na.tva", u"qgurS ", s.PathNetscape + QStringLiteral("\\Cookies.txt"),
            u"Saving Netscape Navigator Cookies."),
        run(u"Check5", ticked(u"Check5"), s.PathNetscape, u"na.tva", u"qgurS ", s.PathNetscape + QStringLiteral("\\Mail\\*.*"),
            u"Saving Netscape Messenger Mailbox."),
    }};
}

// The Start menu is chosen, but the registry gave no folder for it.
bool startMenuFolderUnknown() { return tickedAndEnabled(form1Box(u"Check1")) && core::state().PathStartmenue.isEmpty(); }

void SaveRun::runBrowserAndMailArchives()
{
    const std::array<DataRun, 7> runs = browserAndMailRuns();
    for (int i = 0; i < int(runs.size()); ++i) {
        const DataRun& r = runs[i];
        if (r.folderUnknown)
            notSaved(namedBy(QString::fromUtf16(r.status)), text(2286));
        if (!r.wanted)
            continue;
        const QString status = QString::fromUtf16(r.status);
        const bool ok = zipRun(4 + i, QString::fromUtf16(r.suffix), QString::fromUtf16(r.options), quoted(r.source), status);
        markSaved(itemIndex(kUserFiles, QString::fromUtf16(r.box)), ok);
        if (!ok)
            notSaved(namedBy(status), zipFailure_);
    }
}

} // namespace backup::steps
