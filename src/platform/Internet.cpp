#include "platform/Internet.h"
#include "platform/DialUp.h"
#include "platform/Machine.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QUrl>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <optional>

namespace platform::inet {

namespace {

const QString kNetwork = QStringLiteral("Network");
constexpr long kDefaultReceiveTimeout = 30;
constexpr long kDefaultTransferTimeout = 600;
constexpr int kMaxRedirects = 5;
constexpr int kWaitStepMs = 40;
constexpr long kReceiveBuffer = 256 * 1024;
// Beyond this many bytes received and not yet read the transfer pauses: the reader gets the
// bytes that memory already holds instead of ever more fresh memory.
constexpr qsizetype kHeld = 4 * kReceiveBuffer;

quint32 g_lastError = 0;

WaitHandler g_waitHandler;
bool g_inWaitHandler = false;

struct Request {
    HINTERNET session = 0;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* connectTo = nullptr;
    QByteArray pending;          // body bytes received; those before `taken` are read already
    qsizetype taken = 0;
    bool headersDone = false;    // the headers of an answer that is not an interim one are in
    bool redirect = false;       // that answer redirects, to `location`
    QByteArray location;
    bool done = false;
    quint32 failure = 0;         // what ended the transfer; 0 for its end of data
    bool closed = false;         // its handle was closed while a call waited on it
    bool paused = false;         // enough is held until the reader has taken it
    long silenceMs = 0;          // the longest the server may keep silent
    long limitMs = 0;            // the longest the whole request may take
    QElapsedTimer silence;       // since the server last sent something
    QElapsedTimer overall;       // since the request was opened

    qsizetype available() const { return pending.size() - taken; }

    void dropTransfer()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        easy = nullptr;
        curl_slist_free_all(connectTo);
        connectTo = nullptr;
    }
    ~Request()
    {
        dropTransfer();
        if (multi)
            curl_multi_cleanup(multi);
    }
};

struct Handles {
    HINTERNET next = 0xCC0004;
    QHash<HINTERNET, QString> sessions;                      // handle -> agent
    QHash<HINTERNET, std::shared_ptr<Request>> requests;
};

Handles& handles()
{
    static Handles h;
    return h;
}

quint32 failWith(quint32 code)
{
    g_lastError = code;
    return 0;
}

quint32 codeOf(CURLcode result)
{
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING: return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* r = static_cast<Request*>(user);
    r->silence.restart();
    if (r->redirect)   // a redirection's own page is nobody's business
        return size * count;
    if (r->available() >= kHeld) {
        r->paused = true;   // the same bytes come again once the transfer goes on
        return CURL_WRITEFUNC_PAUSE;
    }
    r->pending.append(data, qsizetype(size * count));
    return size * count;
}

// Header lines of every answer, interim ones too: the request is open once the blank line
// ends the headers of an answer that is not an interim one (1xx).
size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* r = static_cast<Request*>(user);
    const QByteArray line(data, qsizetype(size * count));
    r->silence.restart();
    if (line.startsWith("HTTP/")) {
        r->location.clear();
    } else if (line.toLower().startsWith("location:")) {
        r->location = line.mid(9).trimmed();
    } else if (line.trimmed().isEmpty()) {
        long status = 0;
        curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200) {
            r->headersDone = true;
            r->redirect = status >= 300 && status < 400 && !r->location.isEmpty();
        }
    }
    return size * count;
}

// Lets the program have the thread for a moment (at most every kWaitStepMs); false when
// the wait is to be given up.
bool waitGoesOn(const Request& r)
{
    static QElapsedTimer sinceHandler;
    if (g_waitHandler && !g_inWaitHandler && (!sinceHandler.isValid() || sinceHandler.elapsed() >= kWaitStepMs)) {
        const QScopedValueRollback<bool> inside(g_inWaitHandler, true);
        const WaitHandler handler = g_waitHandler;   // the handler may replace itself
        const bool goOn = handler();
        sinceHandler.start();
        if (!goOn)
            return false;
    }
    return !r.closed && handles().sessions.contains(r.session);
}

// Runs the transfer until `enough` holds or the transfer has ended.
template <class Enough>
void drive(Request& r, const Enough& enough)
{
    // Only time spent waiting here counts as the server's silence.
    r.silence.start();
    while (!r.done && !enough()) {
        if (r.paused && r.available() < kHeld) {
            r.paused = false;
            curl_easy_pause(r.easy, CURLPAUSE_CONT);
            if (enough())
                break;
        }
        int running = 0;
        curl_multi_perform(r.multi, &running);
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(r.multi, &left))
            if (m->msg == CURLMSG_DONE) {
                r.done = true;
                r.failure = m->data.result == CURLE_OK ? 0 : codeOf(m->data.result);
            }
        if (r.done || enough())
            break;
        if (r.silence.elapsed() > r.silenceMs || r.overall.elapsed() > r.limitMs) {
            r.done = true;
            r.failure = ERROR_INTERNET_TIMEOUT;
            break;
        }
        if (!waitGoesOn(r)) {
            r.done = true;
            r.failure = ERROR_INTERNET_OPERATION_CANCELLED;
            break;
        }
        curl_multi_poll(r.multi, nullptr, 0, kWaitStepMs, nullptr);
    }
}

bool isNumericHost(const QString& host)
{
    static const QRegularExpression ipv4(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    return ipv4.match(host).hasMatch() || host.contains(u':');
}

// A [Hosts] entry, "address" or "address:port", in curl's connect-to form; nothing when
// its address is not numeric.
std::optional<QString> connectTarget(const QString& entry)
{
    const QString e = entry.trimmed();
    if (e.startsWith(u'[')) {
        const qsizetype close = e.indexOf(u']');
        return close < 0 ? e + QStringLiteral("]:") : e.left(close + 1) + u':' + e.mid(close + 2);
    }
    if (e.count(u':') > 1)   // a bare IPv6 address
        return u'[' + e + QStringLiteral("]:");
    const qsizetype colon = e.indexOf(u':');
    if (!isNumericHost(colon < 0 ? e : e.left(colon)))
        return std::nullopt;
    return colon < 0 ? e + u':' : e;
}

std::optional<QString> hostsEntry(const QString& host)
{
    const Machine& m = Machine::current();
    const QString section = QStringLiteral("Hosts");
    for (const QString& key : m.settingKeys(section))
        if (key.compare(host, Qt::CaseInsensitive) == 0)
            return m.setting(section, key);
    return std::nullopt;
}

long seconds(const char* key, long fallback)
{
    bool ok = false;
    const long value = Machine::current().setting(kNetwork, QString::fromLatin1(key)).toLong(&ok);
    return ok && value > 0 ? value : fallback;
}

// Starts the transfer of `url` on `r` in place of the one before; 0, else the error code.
quint32 startTransfer(Request& r, const QUrl& url, const QString& agent)
{
    r.dropTransfer();
    r.pending.clear();
    r.taken = 0;
    r.headersDone = r.redirect = r.done = r.paused = false;
    r.failure = 0;
    r.location.clear();

    const QString host = url.host();
    if (host.isEmpty())
        return ERROR_INTERNET_INVALID_URL;
    std::optional<QString> target;
    if (!isNumericHost(host)) {
        const std::optional<QString> entry = hostsEntry(host);
        if (entry)
            target = connectTarget(*entry);
        if (!target)
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
    }
    r.easy = curl_easy_init();
    if (!r.easy)
        return ERROR_INTERNET_INTERNAL_ERROR;
    CURL* e = r.easy;
    curl_easy_setopt(e, CURLOPT_URL, url.toEncoded().constData());
    curl_easy_setopt(e, CURLOPT_USERAGENT, agent.toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_PROXY, "");   // the machine has no proxy, whatever the host's environment says
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);   // followed here, through [Hosts]
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, r.silenceMs);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
    if (target) {
        r.connectTo = curl_slist_append(nullptr, (host + QStringLiteral("::") + *target).toUtf8().constData());
        curl_easy_setopt(e, CURLOPT_CONNECT_TO, r.connectTo);
    }
    curl_multi_add_handle(r.multi, e);
    return 0;
}

} // namespace

bool Online()
{
    return Machine::current().setting(kNetwork, QStringLiteral("Online")).trimmed() == u"1" || ras::Connected();
}

WaitHandler SetWaitHandler(WaitHandler handler) { return std::exchange(g_waitHandler, std::move(handler)); }

HINTERNET InternetOpen(const QString& agent, quint32, const QString&, const QString&, quint32)
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (initialised != CURLE_OK)
        return failWith(ERROR_INTERNET_INTERNAL_ERROR);
    Handles& h = handles();
    const HINTERNET session = h.next += 4;
    h.sessions.insert(session, agent);
    return session;
}

HINTERNET InternetOpenUrl(HINTERNET session, const QString& url, const QString&, quint32, quint32)
{
    Handles& h = handles();
    if (!h.sessions.contains(session))
        return failWith(ERROR_INVALID_HANDLE);
    QUrl current(url.trimmed(), QUrl::TolerantMode);
    if (!current.isValid() || current.scheme().isEmpty())
        return failWith(ERROR_INTERNET_INVALID_URL);
    if (current.scheme() != u"http" && current.scheme() != u"https")
        return failWith(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    if (current.host().isEmpty())
        return failWith(ERROR_INTERNET_INVALID_URL);
    if (!Online())
        return failWith(isNumericHost(current.host()) ? ERROR_INTERNET_CANNOT_CONNECT : ERROR_INTERNET_NAME_NOT_RESOLVED);

    auto r = std::make_shared<Request>();
    r->session = session;
    r->silenceMs = seconds("ReceiveTimeout", kDefaultReceiveTimeout) * 1000;
    r->limitMs = seconds("TransferTimeout", kDefaultTransferTimeout) * 1000;
    r->overall.start();
    r->multi = curl_multi_init();
    if (!r->multi)
        return failWith(ERROR_INTERNET_INTERNAL_ERROR);
    const QString agent = h.sessions.value(session);
    for (int redirects = 0;; ++redirects) {
        if (const quint32 code = startTransfer(*r, current, agent))
            return failWith(code);
        drive(*r, [&] { return r->headersDone; });
        if (!r->headersDone)
            return failWith(r->failure ? r->failure : ERROR_INTERNET_CONNECTION_ABORTED);
        if (!r->redirect)
            break;
        if (redirects == kMaxRedirects)
            return failWith(ERROR_HTTP_REDIRECT_FAILED);
        const QUrl next = current.resolved(QUrl(QString::fromUtf8(r->location), QUrl::TolerantMode));
        if (!next.isValid())
            return failWith(ERROR_INTERNET_INVALID_URL);
        if (next.scheme() != u"http")
            return failWith(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        current = next;
    }
    const HINTERNET request = h.next += 4;
    h.requests.insert(request, r);
    return request;
}

bool InternetReadFile(HINTERNET request, char* buffer, quint32 toRead, quint32* read)
{
    const std::shared_ptr<Request> r = handles().requests.value(request);
    if (!r || !buffer || !read)
        return failWith(ERROR_INVALID_HANDLE);
    drive(*r, [&] { return r->available() >= qsizetype(toRead); });
    const qsizetype n = qMin(qsizetype(toRead), r->available());
    *read = quint32(n);
    if (n == 0 && r->failure)
        return failWith(r->failure);
    std::memcpy(buffer, r->pending.constData() + r->taken, size_t(n));
    r->taken += n;
    if (r->taken == r->pending.size()) {
        r->pending.resize(0);   // keeps its room for what comes next
        r->taken = 0;
    } else if (r->taken >= kReceiveBuffer && r->taken * 2 >= r->pending.size()) {
        r->pending.remove(0, r->taken);
        r->taken = 0;
    }
    return true;
}

bool InternetCloseHandle(HINTERNET handle)
{
    Handles& h = handles();
    if (h.sessions.remove(handle)) {
        h.requests.removeIf([handle](const auto& it) {
            if (it.value()->session != handle)
                return false;
            it.value()->closed = true;
            return true;
        });
        return true;
    }
    if (const std::shared_ptr<Request> r = h.requests.take(handle)) {
        r->closed = true;
        return true;
    }
    return failWith(ERROR_INVALID_HANDLE);
}

quint32 HttpStatusCode(HINTERNET request)
{
    const std::shared_ptr<Request> r = handles().requests.value(request);
    long status = 0;
    if (r && r->easy)
        curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
    return quint32(status);
}

quint32 GetLastError() { return g_lastError; }

} // namespace platform::inet
