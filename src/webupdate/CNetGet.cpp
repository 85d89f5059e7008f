#include "webupdate/CNetGet.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "vb/CommonControls.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"
#include "webupdate/Messages.h"
#include "webupdate/ProgramState.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace webupdate {

namespace inet = platform::inet;
namespace fs = platform::fs;

namespace {

constexpr quint32 kBlock = 2048;
constexpr int kHourglass = 11;

// Internet error codes that have a text of their own in the catalogue.
constexpr qint32 kFirstCode = 12001;
constexpr qint32 kLastCode = 12031;
constexpr qint32 kHandleExists = 12036;
constexpr qint32 kItemNotFound = 12028;
constexpr qint32 kExtendedError = 12003;

// During a transfer the event loop runs this often (milliseconds).
constexpr int kEventsEveryMs = 40;
// A file fetched is written in pieces of this size: few writes, and little memory.
constexpr qsizetype kWriteEvery = 1024 * 1024;

// Runs a file operation of the machine and turns its failure into the runtime's error.
template <class F>
void onTheMachine(F&& f)
{
    try {
        f();
    } catch (const platform::SysError& e) {
        throw vb::Error(e.code());
    }
}

// The file of a fetch into a file. An older file of its name goes before the request; what
// arrives is written into a file that has no name yet and that takes the name only once the
// resource has arrived whole. A failure, a run-time error and the end of the program in the
// middle of the fetch drop it, and so does a process killed meanwhile: no piece of a
// resource is ever found under its name.
class FetchFile {
public:
    explicit FetchFile(const QString& path)
    {
        onTheMachine([&] {
            if (const std::optional<fs::Entry> older = fs::tryStat(path); older && !older->isDir())
                fs::removeFile(path);
            auto file = std::make_unique<fs::File>();
            file->open(path, fs::File::Write);
            file_ = std::move(file);
        });
        previous_ = std::exchange(current_, this);
        static bool watching = false;   // the program's end runs its hooks once
        if (!watching) {
            watching = true;
            vb::OnEnd([] {
                watching = false;
                for (FetchFile* f = current_; f; f = f->previous_)
                    f->discard();
            });
        }
    }
    FetchFile(const FetchFile&) = delete;
    FetchFile& operator=(const FetchFile&) = delete;
    ~FetchFile()
    {
        discard();
        current_ = previous_;
    }
    void append(const QByteArray& bytes)
    {
        if (!file_)
            throw vb::Error(52);
        onTheMachine([&] { file_->write(bytes); });
    }
    void keep()
    {
        if (!file_)
            throw vb::Error(52);
        // Whatever the close reports, the file is no longer this fetch's to drop.
        const std::unique_ptr<fs::File> file = std::move(file_);
        onTheMachine([&] { file->close(); });
    }

private:
    // A file never closed never gets its name.
    void discard() { file_.reset(); }

    static inline FetchFile* current_ = nullptr;
    FetchFile* previous_ = nullptr;
    std::unique_ptr<fs::File> file_;
};

} // namespace

CNetGet::~CNetGet()
{
    // The status display may already be gone; the session is simply closed.
    if (hSession)
        inet::InternetCloseHandle(hSession);
}

void CNetGet::CheckError()
{
    const quint32 code = inet::GetLastError();
    if (code > 0)
        state().gsLastError = TranslateErrorCode(qint32(code));
}

void CNetGet::Init(const std::optional<QString>& vInUserAgent)
{
    sUserAgent = vInUserAgent ? *vInUserAgent : vb::App().EXEName;
    Term();
    hUrl = 0;
    sRawHTML.clear();
    state().gsLastError.clear();
    hSession = inet::InternetOpen(sUserAgent, inet::INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
}

bool CNetGet::ReadUrl(const QString& sUrl, const std::optional<QString>& vFileName)
{
    // The error text describes this fetch, not one before it.
    state().gsLastError.clear();
    // While the Internet functions wait, the windows go on (Cancel, the close box, painting).
    const inet::WaitHandler outer = inet::SetWaitHandler([this] {
        LetEventsRun();
        return true;
    });
    const auto restoreHandler = qScopeGuard([&] { inet::SetWaitHandler(outer); });
    const auto closeRequest = qScopeGuard([this] {
        if (hUrl)
            inet::InternetCloseHandle(hUrl);
        hUrl = 0;
        unshownTotal_ = -1;
    });
    std::optional<FetchFile> file;
    try {
        vb::Screen::setMousePointer(kHourglass);
        UpdateStatus(LoadResString(1058));
        if (vFileName)
            file.emplace(*vFileName);
        bool result = false;
        hUrl = inet::InternetOpenUrl(hSession, sUrl, {}, inet::INTERNET_FLAG_EXISTING_CONNECT, 0);
        if (hUrl == 0) {
            CheckError();
        } else if (const quint32 status = inet::HttpStatusCode(hUrl); status >= 300) {
            // An error page is not the resource asked for, nor is the page of a redirection
            // that names no place to go (the Internet functions follow every other one).
            sRawHTML.clear();
            state().gsLastError = TranslateErrorCode(status < 400                      ? qint32(inet::ERROR_HTTP_REDIRECT_FAILED)
                                                     : status == 404 || status == 410 ? kItemNotFound
                                                                                      : kExtendedError);
        } else {
            sRawHTML.clear();
            QByteArray pending;
            QByteArray buffer(kBlock, ' ');
            qint64 total = 0;
            bool lastReadOk = true;
            QElapsedTimer sinceEvents;
            sinceEvents.start();
            while (lastReadOk) {
                buffer.fill(' ');
                quint32 read = 0;
                lastReadOk = inet::InternetReadFile(hUrl, buffer.data(), kBlock, &read);
                if (!lastReadOk)
                    CheckError();
                total += read;
                if (total > std::numeric_limits<qint32>::max())
                    throw vb::Error(6);
                unshownTotal_ = total;
                if (read == 0)
                    break;
                if (file) {
                    pending.append(buffer.constData(), read);
                    if (pending.size() >= kWriteEvery) {
                        file->append(pending);
                        pending.resize(0);
                    }
                } else
                    sRawHTML += platform::cp1252::decode(buffer.left(read));
                // The screen follows the transfer without costing it: the event loop runs
                // (and paints the total) about 25 times a second, not at every block.
                if (sinceEvents.elapsed() >= kEventsEveryMs) {
                    LetEventsRun();
                    sinceEvents.restart();
                }
            }
            if (file && lastReadOk) {
                file->append(pending);
                file->keep();
            }
            LetEventsRun();
            result = lastReadOk;
        }
        UpdateStatus(LoadResString(1057));
        vb::Screen::setMousePointer(0);
        return result;
    } catch (const vb::Error& e) {
        state().gsLastError = e.Description();
        UpdateStatus(LoadResString(1057));
        vb::Screen::setMousePointer(0);
        return false;
    }
}

void CNetGet::Term()
{
    UpdateStatus(LoadResString(1057));
    if (inet::InternetCloseHandle(hSession))
        UpdateStatus(LoadResString(1057));
    else
        CheckError();
    // A closed session is never handed to the Internet functions again.
    hSession = 0;
}

QString CNetGet::TranslateErrorCode(qint32 lErrorCode)
{
    if (lErrorCode >= kFirstCode && lErrorCode <= kLastCode)
        return LoadResString(lErrorCode - 10931);
    if (lErrorCode == kHandleExists) {
        const QString text = LoadResString(1061);
        vb::MsgBox(text, vb::vbOKOnly | vb::vbCritical, LoadResString(1053));
        return text;
    }
    return LoadResString(1062);
}

void CNetGet::UpdateStatus(const QString& message)
{
    unshownTotal_ = -1;
    if (objStatus)
        objStatus->setText(message);
    vb::DoEvents();
}

void CNetGet::LetEventsRun()
{
    if (unshownTotal_ >= 0) {
        const qint64 total = std::exchange(unshownTotal_, -1);
        if (objStatus)
            objStatus->setText(LoadResString(1059) + QString::number(total) + LoadResString(1060));
    }
    vb::DoEvents();
}

QString CNetGet::StripControlChars(const QString& text)
{
    QString out;
    for (const QChar c : text)
        if (c.unicode() < 9 || c.unicode() > 13)
            out += c;
    return out;
}

bool CNetGet::ParseHTML(const QString& sToken, QStringList& colItems, const std::optional<QString>& vDelimiter)
{
    vb::Screen::setMousePointer(kHourglass);
    UpdateStatus(LoadResString(1056));
    const bool result = sRawHTML.size() > sToken.size();
    if (result) {
        const QString delimiters = vDelimiter ? *vDelimiter : QStringLiteral("\">?#");
        const auto isDelimiter = [&](QChar c) { return delimiters.contains(c, Qt::CaseInsensitive); };
        qsizetype p = sRawHTML.indexOf(sToken, 0, Qt::CaseInsensitive);
        while (p >= 0) {
            const qsizetype q = p + sToken.size();
            qsizetype end = q;
            while (end < sRawHTML.size() && !isDelimiter(sRawHTML[end]))
                ++end;
            const QString item = StripControlChars(sRawHTML.mid(q, end - q));
            if (!item.isEmpty() && !colItems.contains(item, Qt::CaseInsensitive))
                colItems << item;
            p = sRawHTML.indexOf(sToken, end + 1, Qt::CaseInsensitive);
        }
    }
    UpdateStatus(LoadResString(1057));
    vb::Screen::setMousePointer(0);
    return result;
}

QString CNetGet::GetRawHTML() const { return vb::Trim(sRawHTML); }

QString CNetGet::GetLastError() const { return state().gsLastError; }

void CNetGet::SetUserAgent(const QString& sInUserAgent)
{
    if (!sInUserAgent.isEmpty())
        sUserAgent = sInUserAgent;
}

} // namespace webupdate
