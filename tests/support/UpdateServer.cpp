#include "support/UpdateServer.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

bool waitReadable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

bool sendAll(int fd, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// The client has closed its end (or broken the connection).
bool clientGone(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    char c;
    return (p.revents & (POLLHUP | POLLERR)) || ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

UpdateServer::UpdateServer(int maxRequests, int lifetimeMs) : maxRequests_(maxRequests), lifetimeMs_(lifetimeMs)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        qFatal("test server: cannot listen on 127.0.0.1");
    port_ = ntohs(addr.sin_port);
    listener_ = fd;
    thread_ = std::thread([this] {
        run();
        ::close(listener_);
    });
}

UpdateServer::~UpdateServer()
{
    stop_ = true;
    thread_.join();
}

void UpdateServer::serve(const QString& path, Reply reply)
{
    QMutexLocker lock(&mutex_);
    replies_.insert(path, std::move(reply));
}

void UpdateServer::remove(const QString& path)
{
    QMutexLocker lock(&mutex_);
    replies_.remove(path);
}

QStringList UpdateServer::requests() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

QStringList UpdateServer::userAgents() const
{
    QMutexLocker lock(&mutex_);
    return agents_;
}

QStringList UpdateServer::hosts() const
{
    QMutexLocker lock(&mutex_);
    return hosts_;
}

UpdateServer::Reply UpdateServer::replyFor(const QString& path) const
{
    QMutexLocker lock(&mutex_);
    return replies_.value(path, Reply{404, "<html><body>Not Found</body></html>"});
}

void UpdateServer::run()
{
    QElapsedTimer life;
    life.start();
    int served = 0;
    while (!stop_ && served < maxRequests_ && life.elapsed() < lifetimeMs_) {
        if (!waitReadable(listener_, 50))
            continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ++served;
        QByteArray request;
        while (!request.contains("\r\n\r\n") && waitReadable(client, 5000)) {
            char chunk[1024];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            request.append(chunk, n);
        }
        const QList<QByteArray> lines = request.split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        const QString path = QString::fromLatin1(first.value(1));
        QString agent;
        QString host;
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:"))
                agent = QString::fromLatin1(line.mid(11).trimmed());
            else if (line.toLower().startsWith("host:"))
                host = QString::fromLatin1(line.mid(5).trimmed());
        }
        {
            QMutexLocker lock(&mutex_);
            requests_ << path;
            agents_ << agent;
            hosts_ << host;
        }
        const Reply reply = replyFor(path);
        // Waits `ms` unless the server stops or the client goes away; false when it did.
        const auto pause = [&](int ms) {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < ms) {
                if (stop_ || clientGone(client))
                    return false;
                ::usleep(2000);
            }
            return true;
        };
        if (!pause(reply.silentMs)) {
            ::close(client);
            continue;
        }
        const QByteArray body = reply.breakAfter < 0 ? reply.body : reply.body.left(reply.breakAfter);
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reason(reply.status) +
                          "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                          QByteArray::number(reply.body.size()) + "\r\n";
        if (!reply.location.isEmpty())
            head += "Location: " + reply.location + "\r\n";
        head += "Connection: close\r\n\r\n";
        if (reply.trickleMs > 0) {
            bool open = sendAll(client, head);
            for (qsizetype i = 0; open && i < body.size(); ++i)
                open = pause(reply.trickleMs) && sendAll(client, body.mid(i, 1));
        } else if (sendAll(client, head)) {
            sendAll(client, body);
        }
        pause(reply.stallMs);
        ::close(client);
    }
}

} // namespace testsupport
