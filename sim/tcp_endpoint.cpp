#include "tcp_endpoint.h"

#include <QTcpSocket>

#include <algorithm>

#include "paced_writer.h"
#include "request_dispatcher.h"

namespace sim {

struct TcpEndpoint::Session {
    Session(TcpEndpoint* owner, QTcpSocket* s, std::string n)
        : socket(s),
          name(std::move(n)),
          writer([s](const char* data, qint64 count) { return s->write(data, count); },
                 [owner, this] { owner->Drop(this); }, owner->lineSpeed_,
                 owner->bitsPerCharacter_) {}
    ~Session() { delete socket; }

    QTcpSocket* socket;
    std::string name;
    RequestScanner scanner;
    PacedWriter writer;
};

TcpEndpoint::TcpEndpoint(RequestDispatcher& dispatcher, int lineSpeed, int bitsPerCharacter,
                         std::string prefix)
    : dispatcher_(dispatcher),
      lineSpeed_(lineSpeed),
      bitsPerCharacter_(bitsPerCharacter),
      prefix_(std::move(prefix)) {
    QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
}

TcpEndpoint::~TcpEndpoint() {
    for (auto& session : sessions_) {
        QObject::disconnect(session->socket, nullptr, nullptr, nullptr);
        session->socket->abort();
        dispatcher_.Note(session->name, "connection closed (simulator stopping)");
    }
}

bool TcpEndpoint::Listen(const QString& host, quint16 port, QString* error) {
    QHostAddress address;
    if (host == QLatin1String("localhost")) {
        address = QHostAddress::LocalHost;
    } else if (host == QLatin1String("*") || host.isEmpty()) {
        address = QHostAddress::Any;
    } else if (!address.setAddress(host)) {
        *error = QStringLiteral("not an IP address: %1").arg(host);
        return false;
    }
    if (!server_.listen(address, port)) {
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(host)
                     .arg(port)
                     .arg(server_.errorString());
        return false;
    }
    return true;
}

void TcpEndpoint::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(nullptr);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto session = std::make_unique<Session>(this, socket,
                                                 prefix_ + "tcp#" + std::to_string(++connections_));
        Session* s = session.get();
        const QString peer = socket->peerAddress().toString() + QLatin1Char(':') +
                             QString::number(socket->peerPort());
        dispatcher_.Note(s->name, "connection opened from " + peer.toStdString());
        QObject::connect(socket, &QTcpSocket::readyRead, [this, s] {
            for (const auto& request : s->scanner.Feed(s->socket->readAll().toStdString())) {
                if (auto plan = dispatcher_.Serve(request, LinkKind::Network, s->name)) {
                    s->writer.Send(*plan);
                }
            }
            dispatcher_.NoteSkipped(s->scanner.TakeSkipped(), s->name);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, [this, s] { Drop(s); });
        sessions_.push_back(std::move(session));
    }
}

void TcpEndpoint::Drop(Session* session) {
    const auto it = std::find_if(sessions_.begin(), sessions_.end(),
                                 [session](const auto& s) { return s.get() == session; });
    if (it == sessions_.end()) {
        return;
    }
    // The socket may be inside its own signal here: silence it now, delete it from the loop.
    session->writer.Clear();
    QObject::disconnect(session->socket, nullptr, nullptr, nullptr);
    session->socket->abort();
    dispatcher_.Note(session->name, "connection closed");
    graveyard_.push_back(std::move(*it));
    sessions_.erase(it);
    QTimer::singleShot(0, &server_, [this] { graveyard_.clear(); });
}

}  // namespace sim
