// The fetcher's reading of a server's reply (CNetGet through the machine's Internet functions).
// The input is the whole raw reply, status line and headers included, which a server on
// 127.0.0.1 sends to every request and then closes the connection. A fetch into a file raises
// no run-time error and leaves the file exactly when it tells success, and nothing else in the
// download folder or anywhere on the machine; a fetch of the same reply into memory tells the
// same, and holds the same text as the file.
#include "FuzzTarget.h"
#include "platform/Cp1252.h"
#include "platform/Machine.h"
#include "vb/CommonControls.h"
#include "vb/Strings.h"
#include "webupdate/CNetGet.h"
#include "webupdate/ProgramState.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Answers every connection with the reply set last, on a thread of its own: the fetcher
// holds the main thread while it waits. Lives as long as the process.
class RawServer {
public:
    RawServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        fuzz::require(listener_ >= 0 && ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                          ::listen(listener_, 16) == 0 && ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) == 0,
                      QStringLiteral("cannot listen on 127.0.0.1"));
        port_ = ntohs(addr.sin_port);
        std::thread([this] { run(); }).detach();
    }
    quint16 port() const { return port_; }
    void setReply(const QByteArray& reply)
    {
        QMutexLocker lock(&mutex_);
        reply_ = reply;
    }

private:
    void run()
    {
        for (;;) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                continue;
            // The request's head, so that closing the connection resets nothing unread.
            QByteArray request;
            pollfd p{client, POLLIN, 0};
            while (!request.contains("\r\n\r\n") && ::poll(&p, 1, 2000) > 0) {
                char chunk[2048];
                const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
                if (n <= 0)
                    break;
                request.append(chunk, n);
            }
            QByteArray reply;
            {
                QMutexLocker lock(&mutex_);
                reply = reply_;
            }
            for (qsizetype sent = 0; sent < reply.size();) {
                const ssize_t n = ::send(client, reply.constData() + sent, size_t(reply.size() - sent), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += n;
            }
            ::shutdown(client, SHUT_WR);
            ::close(client);
        }
    }

    int listener_ = -1;
    quint16 port_ = 0;
    QMutex mutex_;
    QByteArray reply_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachineWithWindows();
    static RawServer server;
    // Never destroyed: the Internet functions' handles may be gone before it at the end.
    static webupdate::CNetGet& net = []() -> webupdate::CNetGet& {
        auto* fetcher = new webupdate::CNetGet;
        fetcher->Init();
        return *fetcher;
    }();
    // A redirection elsewhere gives up soon.
    platform::Machine::current().setSetting(QStringLiteral("Network"), QStringLiteral("ReceiveTimeout"), QStringLiteral("2"));
    platform::Machine::current().setSetting(QStringLiteral("Network"), QStringLiteral("TransferTimeout"), QStringLiteral("4"));
    server.setReply(fuzz::bytesOf(data, size));

    const QString url = QStringLiteral("http://127.0.0.1:%1/skyfetch.txt").arg(server.port());
    const QString downloads = machine + QStringLiteral("/drive_c/Program Files/Trelvo/updates");
    QDir().mkpath(downloads);
    const QStringList leftOut{QStringLiteral("drive_c/Program Files/Trelvo/updates/"), QStringLiteral("machine.ini")};
    const fuzz::Stamps before = fuzz::stampsUnder(machine, leftOut);

    bool toFile = false;
    fuzz::handlesItsErrors("a fetch into a file", [&] { toFile = net.ReadUrl(url, QStringLiteral("C:\\Program Files\\Trelvo\\updates\\skyfetch.txt")); });
    const QString error = webupdate::state().gsLastError;
    fuzz::require(toFile == error.isEmpty(), QStringLiteral("a fetch told %1 with the error text \"%2\"").arg(toFile ? "success" : "failure", error));
    const QStringList left = QDir(downloads).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    fuzz::require(left == (toFile ? QStringList{QStringLiteral("skyfetch.txt")} : QStringList()),
                  QStringLiteral("a fetch that told %1 left %2").arg(toFile ? "success" : "failure", left.join(u',')));

    bool toMemory = false;
    fuzz::handlesItsErrors("a fetch into memory", [&] { toMemory = net.ReadUrl(url); });
    fuzz::require(toMemory == toFile, QStringLiteral("the same reply fetched into a file and into memory tells different outcomes"));
    if (toFile) {
        QFile f(downloads + QStringLiteral("/skyfetch.txt"));
        fuzz::require(f.open(QIODevice::ReadOnly) && vb::Trim(platform::cp1252::decode(f.readAll())) == net.GetRawHTML(),
                      QStringLiteral("the file and the memory fetch of the same reply differ"));
    }
    const QString changed = fuzz::firstDifference(before, fuzz::stampsUnder(machine, leftOut));
    fuzz::require(changed.isEmpty(), QStringLiteral("a fetch wrote outside the download folder: %1").arg(changed));
    return 0;
}
