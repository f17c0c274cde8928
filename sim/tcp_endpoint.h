#pragma once

#include <QHostAddress>
#include <QString>
#include <QTcpServer>

#include <memory>
#include <string>
#include <vector>

namespace sim {

class RequestDispatcher;

// Listens on TCP and serves every connection, each with its own frame scanner and writer.
// Lives on the serving thread.
class TcpEndpoint {
public:
    // Connections are logged by the name prefix + "tcp#" + their number, from their start to
    // their end.
    TcpEndpoint(RequestDispatcher& dispatcher, int lineSpeed, int bitsPerCharacter,
                std::string prefix = {});
    ~TcpEndpoint();

    bool Listen(const QString& host, quint16 port, QString* error);
    quint16 Port() const { return server_.serverPort(); }

private:
    struct Session;

    void Accept();
    void Drop(Session* session);

    RequestDispatcher& dispatcher_;
    int lineSpeed_;
    int bitsPerCharacter_;
    std::string prefix_;
    int connections_ = 0;
    QTcpServer server_;
    std::vector<std::unique_ptr<Session>> sessions_;
    std::vector<std::unique_ptr<Session>> graveyard_;  // dropped inside their own signals
};

}  // namespace sim
