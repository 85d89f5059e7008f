#include "platform/Internet.h"
#include "platform/DialUp.h"
#include "platform/Machine.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <cstring>
#include <curl/curl.h>
#include <functional>
#include <memory>
#include <optional>

namespace platform::inet {

namespace {

const QString kNetwork = QStringLiteral("Network");
constexpr long kDefaultReceiveTimeout = 30;

quint32 g_lastError = 0;

struct Request {
    HINTERNET session = 0;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* connectTo = nullptr;
    QByteArray pending;          // body bytes received and not yet read
    bool headersDone = false;    // the final answer's headers are in
    bool sawLocation = false;    // the answer being received redirects
    bool done = false;
    CURLcode result = CURLE_OK;
    long timeoutMs = 0;          // the longest the server may keep silent
    QElapsedTimer silence;       // since the server last sent something

    ~Request()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        curl_slist_free_all(connectTo);
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
    r->pending.append(data, qsizetype(size * count));
    r->headersDone = true;
    r->silence.restart();
    return size * count;
}

// Header lines of every answer, the redirections' and interim ones' too: the request is
// open once the blank line ends the headers of an answer that is neither.
size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* r = static_cast<Request*>(user);
    const QByteArray line(data, qsizetype(size * count));
    r->silence.restart();
    if (line.startsWith("HTTP/")) {
        r->sawLocation = false;
    } else if (line.toLower().startsWith("location:")) {
        r->sawLocation = true;
    } else if (line.trimmed().isEmpty()) {
        long status = 0;
        curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200 && !(status >= 300 && status < 400 && r->sawLocation))
            r->headersDone = true;
    }
    return size * count;
}

// Runs the transfer until `enough` holds or the transfer has ended.
void drive(Request& r, const std::function<bool()>& enough)
{
    // Only time spent waiting here counts as the server's silence.
    r.silence.start();
    while (!r.done && !enough()) {
        int running = 0;
        curl_multi_perform(r.multi, &running);
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(r.multi, &left))
            if (m->msg == CURLMSG_DONE) {
                r.done = true;
                r.result = m->data.result;
            }
        if (r.done || enough())
            break;
        if (r.silence.elapsed() > r.timeoutMs) {
            r.done = true;
            r.result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(r.multi, nullptr, 0, 100, nullptr);
    }
}

// "address" or "address:port" of a [Hosts] entry in curl's connect-to form.
QString connectTarget(const QString& entry)
{
    const QString e = entry.trimmed();
    if (e.startsWith(u'[')) {
        const qsizetype close = e.indexOf(u']');
        return close < 0 ? e + QStringLiteral("]:") : e.left(close + 1) + u':' + e.mid(close + 2);
    }
    if (e.count(u':') == 1)
        return e;
    if (e.count(u':') > 1)   // a bare IPv6 address
        return u'[' + e + QStringLiteral("]:");
    return e + u':';
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

long receiveTimeout()
{
    bool ok = false;
    const long seconds = Machine::current().setting(kNetwork, QStringLiteral("ReceiveTimeout")).toLong(&ok);
    return ok && seconds > 0 ? seconds : kDefaultReceiveTimeout;
}

} // namespace

bool Online()
{
    return Machine::current().setting(kNetwork, QStringLiteral("Online")).trimmed() == u"1" || ras::Connected();
}

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
    const QUrl u(url.trimmed(), QUrl::TolerantMode);
    if (!u.isValid() || u.scheme().isEmpty())
        return failWith(ERROR_INTERNET_INVALID_URL);
    if (u.scheme() != u"http" && u.scheme() != u"https")
        return failWith(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    const QString host = u.host();
    if (host.isEmpty())
        return failWith(ERROR_INTERNET_INVALID_URL);
    static const QRegularExpression ipv4(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    const bool direct = ipv4.match(host).hasMatch() || host.contains(u':') ||
                        host.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) == 0;
    if (!Online())
        return failWith(direct ? ERROR_INTERNET_CANNOT_CONNECT : ERROR_INTERNET_NAME_NOT_RESOLVED);
    const std::optional<QString> entry = direct ? std::nullopt : hostsEntry(host);
    if (!direct && !entry)
        return failWith(ERROR_INTERNET_NAME_NOT_RESOLVED);

    auto r = std::make_shared<Request>();
    r->session = session;
    r->multi = curl_multi_init();
    r->easy = curl_easy_init();
    if (!r->multi || !r->easy)
        return failWith(ERROR_INTERNET_INTERNAL_ERROR);
    CURL* e = r->easy;
    curl_easy_setopt(e, CURLOPT_URL, u.toEncoded().constData());
    curl_easy_setopt(e, CURLOPT_USERAGENT, h.sessions.value(session).toUtf8().constData());
    curl_easy_setopt(e, CURLOPT_PROXY, "");   // the machine has no proxy, whatever the host's environment says
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    r->timeoutMs = receiveTimeout() * 1000;
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, r->timeoutMs);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, r.get());
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, r.get());
    if (entry) {
        r->connectTo = curl_slist_append(nullptr, (host + QStringLiteral("::") + connectTarget(*entry)).toUtf8().constData());
        curl_easy_setopt(e, CURLOPT_CONNECT_TO, r->connectTo);
    }
    curl_multi_add_handle(r->multi, e);

    drive(*r, [&] { return r->headersDone; });
    if (!r->headersDone && r->result != CURLE_OK)
        return failWith(codeOf(r->result));
    const HINTERNET request = h.next += 4;
    h.requests.insert(request, r);
    return request;
}

bool InternetReadFile(HINTERNET request, char* buffer, quint32 toRead, quint32* read)
{
    const std::shared_ptr<Request> r = handles().requests.value(request);
    if (!r || !buffer || !read)
        return failWith(ERROR_INVALID_HANDLE);
    drive(*r, [&] { return r->pending.size() >= qsizetype(toRead); });
    const qsizetype n = qMin(qsizetype(toRead), r->pending.size());
    *read = quint32(n);
    if (n == 0 && r->result != CURLE_OK)
        return failWith(codeOf(r->result));
    std::memcpy(buffer, r->pending.constData(), size_t(n));
    r->pending.remove(0, n);
    return true;
}

bool InternetCloseHandle(HINTERNET handle)
{
    Handles& h = handles();
    if (h.sessions.remove(handle)) {
        h.requests.removeIf([handle](const auto& it) { return it.value()->session == handle; });
        return true;
    }
    if (h.requests.remove(handle))
        return true;
    return failWith(ERROR_INVALID_HANDLE);
}

quint32 HttpStatusCode(HINTERNET request)
{
    const std::shared_ptr<Request> r = handles().requests.value(request);
    long status = 0;
    if (r)
        curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
    return quint32(status);
}

quint32 GetLastError() { return g_lastError; }

} // namespace platform::inet
