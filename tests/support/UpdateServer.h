#pragma once
// An HTTP server inside the test binary on 127.0.0.1 with an ephemeral port, on a thread of
// its own (the fetcher holds the test's thread while it waits). It answers GET requests
// from a table of paths, one connection at a time, and ends by itself after kMaxRequests
// requests or kLifetimeMs. A reply may redirect, keep silent, trickle or break off.
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>

namespace testsupport {

class UpdateServer {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        // The transfer breaks off after this many bytes of the body (the length announced
        // stays that of the whole body); -1 sends all of it.
        qsizetype breakAfter = -1;
        // Once the bytes before the break are sent, the server keeps the connection open
        // and silent for this long instead of closing it.
        int stallMs = 0;
        // Before it answers at all, the server keeps silent for this long.
        int silentMs = 0;
        // The body goes out one byte at a time, this long apart.
        int trickleMs = 0;
        // A Location header (with a status of 3xx: a redirection).
        QByteArray location{};
    };
    // A redirection to `location`.
    static Reply redirect(const QByteArray& location, int status = 302) { return Reply{status, {}, -1, 0, 0, 0, location}; }

    static constexpr int kMaxRequests = 40;
    static constexpr int kLifetimeMs = 60000;

    explicit UpdateServer(int maxRequests = kMaxRequests, int lifetimeMs = kLifetimeMs);
    ~UpdateServer();

    quint16 port() const { return port_; }
    // The address the machine's [Hosts] table maps the update server's name to.
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

    void serve(const QString& path, Reply reply);
    void serve(const QString& path, const QByteArray& body) { serve(path, Reply{200, body}); }
    void remove(const QString& path);

    QStringList requests() const;     // paths asked for, in order
    QStringList userAgents() const;   // the User-Agent of each request
    QStringList hosts() const;        // the Host header of each request

private:
    void run();
    Reply replyFor(const QString& path) const;

    int maxRequests_;
    int lifetimeMs_;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QHash<QString, Reply> replies_;
    QStringList requests_;
    QStringList agents_;
    QStringList hosts_;
};

} // namespace testsupport
