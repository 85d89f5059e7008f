#include "webupdate/CNetGet.h"
#include "platform/Cp1252.h"
#include "vb/CommonControls.h"
#include "vb/Error.h"
#include "vb/FileIO.h"
#include "vb/Screen.h"
#include "vb/Strings.h"
#include "vb/UiServices.h"
#include "webupdate/Messages.h"
#include "webupdate/ProgramState.h"

#include <limits>

namespace webupdate {

namespace inet = platform::inet;

namespace {

constexpr quint32 kBlock = 2048;
constexpr int kHourglass = 11;

// Internet error codes that have a text of their own in the catalogue.
constexpr qint32 kFirstCode = 12001;
constexpr qint32 kLastCode = 12031;
constexpr qint32 kHandleExists = 12036;
constexpr qint32 kItemNotFound = 12028;
constexpr qint32 kExtendedError = 12003;

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
    int fileNumber = 0;
    const auto closeFile = [&] {
        if (fileNumber && vb::IsOpen(fileNumber))
            vb::Close(fileNumber);
    };
    try {
        vb::Screen::setMousePointer(kHourglass);
        UpdateStatus(LoadResString(1058));
        if (vFileName) {
            // Opened before the request, and started afresh: what an earlier fetch left in
            // the file never mixes with this one.
            fileNumber = vb::FreeFile();
            vb::Open(*vFileName, vb::OpenMode::Output, fileNumber);
            vb::Close(fileNumber);
            vb::Open(*vFileName, vb::OpenMode::Binary, fileNumber);
        }
        bool result = false;
        hUrl = inet::InternetOpenUrl(hSession, sUrl, {}, inet::INTERNET_FLAG_EXISTING_CONNECT, 0);
        if (hUrl == 0) {
            CheckError();
        } else if (const quint32 status = inet::HttpStatusCode(hUrl); status >= 400) {
            // An error page is not the resource asked for.
            sRawHTML.clear();
            state().gsLastError = TranslateErrorCode(status == 404 || status == 410 ? kItemNotFound : kExtendedError);
            inet::InternetCloseHandle(hUrl);
            hUrl = 0;
        } else {
            sRawHTML.clear();
            QByteArray pending;
            qint64 total = 0;
            bool lastReadOk = true;
            while (lastReadOk) {
                QByteArray buffer(kBlock, ' ');
                quint32 read = 0;
                lastReadOk = inet::InternetReadFile(hUrl, buffer.data(), kBlock, &read);
                if (!lastReadOk)
                    CheckError();
                total += read;
                if (total > std::numeric_limits<qint32>::max())
                    throw vb::Error(6);
                UpdateStatus(LoadResString(1059) + QString::number(total) + LoadResString(1060));
                if (read == 0)
                    break;
                if (vFileName) {
                    pending.append(buffer.constData(), read);
                    vb::DoEvents();
                } else {
                    sRawHTML += platform::cp1252::decode(buffer.left(read));
                }
            }
            if (vFileName) {
                vb::Put(fileNumber, pending, 1);
                vb::Close(fileNumber);
            }
            vb::DoEvents();
            inet::InternetCloseHandle(hUrl);
            hUrl = 0;
            result = true;
        }
        UpdateStatus(LoadResString(1057));
        vb::Screen::setMousePointer(0);
        closeFile();
        return result;
    } catch (const vb::Error& e) {
        state().gsLastError = e.Description();
        if (hUrl)
            inet::InternetCloseHandle(hUrl);
        hUrl = 0;
        UpdateStatus(LoadResString(1057));
        vb::Screen::setMousePointer(0);
        vb::ResumeNext(closeFile);
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
    if (objStatus)
        objStatus->setText(message);
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
