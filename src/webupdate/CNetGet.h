#pragma once
// The HTTP fetcher: fetches one resource at a time through the machine's Internet
// functions, into a file or into memory as text, in blocks of 2048 bytes. It shows its
// progress on a status display its owner hands it, turns the Internet functions' error
// codes into catalogue texts and leaves the text of the last fetch's error in gsLastError
// (empty after a fetch without error). From a page fetched into memory it can collect the
// texts that follow a token, such as link targets.
//
// The program's windows stay alive during a fetch: the event loop runs while the Internet
// functions wait and, during a transfer, about 25 times a second (the status display always
// shows the total of the last block when it does). A file the fetch writes has no name until
// the resource has arrived whole, so none is left behind otherwise, also when the program
// ends (or is killed) in the middle of the fetch.
#include "platform/Internet.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

namespace vb {
class StatusBar;
}

namespace webupdate {

class CNetGet {
public:
    CNetGet() = default;
    CNetGet(const CNetGet&) = delete;
    CNetGet& operator=(const CNetGet&) = delete;
    ~CNetGet();   // closes the session

    // gsLastError = the text of the error code the failing Internet call left (when there is one).
    void CheckError();
    // Opens a new session (closing the one before) with the agent given, else the program's
    // own name; empties gsLastError.
    void Init(const std::optional<QString>& vInUserAgent = std::nullopt);
    // Adds to colItems, once each (without regard to case), the texts of the last memory
    // fetch that follow sToken up to the next character of vDelimiter (default: " > ? #).
    // False, and nothing added, when that text is no longer than the token.
    bool ParseHTML(const QString& sToken, QStringList& colItems, const std::optional<QString>& vDelimiter = std::nullopt);
    // Fetches sUrl into the file vFileName (an older file of that name goes first) or, without one, into
    // memory. True when the resource arrived whole. False when the request could not be made,
    // the server answered with an error status, the transfer broke off (in memory what arrived
    // first is kept) or the file failed; gsLastError tells why, and the file is not left behind.
    bool ReadUrl(const QString& sUrl, const std::optional<QString>& vFileName = std::nullopt);
    void Term();
    // The catalogue text of an Internet error code. 12036 is also shown in a message box.
    QString TranslateErrorCode(qint32 lErrorCode);

    void SetStatusWindow(vb::StatusBar& objStatusWindow) { objStatus = &objStatusWindow; }
    QString GetRawHTML() const;   // without leading and trailing blanks
    QString GetLastError() const;
    void SetUserAgent(const QString& sInUserAgent);   // an empty text changes nothing

private:
    void UpdateStatus(const QString& message);
    // Shows the transfer's total when it has changed since it was last shown, and lets the
    // event loop run once.
    void LetEventsRun();
    static QString StripControlChars(const QString& text);

    platform::inet::HINTERNET hSession = 0;
    platform::inet::HINTERNET hUrl = 0;
    QString sRawHTML;
    QPointer<vb::StatusBar> objStatus;
    QString sUserAgent;
    qint64 unshownTotal_ = -1;   // the byte count of the last block, until it is shown
};

} // namespace webupdate
