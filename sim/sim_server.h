#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace sim {

class ControllerModel;
class FaultPlan;

struct SimOptions {
    bool tcp = true;
    QString tcpHost = QStringLiteral("127.0.0.1");
    quint16 tcpPort = 0;  // 0: any free port
    bool pty = false;
    QString ptyLink;            // optional symlink to the pty's slave
    int lineSpeed = 0;          // bit/s for pacing reply bytes; 0: as fast as possible
    int bitsPerCharacter = 11;  // start, 8 data, even parity, stop: the tool's "19200,e,8,1"
    QString faultList;          // as --fault takes it; empty: no faults
    quint32 seed = 1;
    QString logFile;
    // Independent controllers, each with its own model, faults and endpoints: on TCP ports
    // counting up from tcpPort (any free ones for 0), on a pty each (ptyLink numbered 1, 2, ...).
    int controllers = 1;
    std::map<int, QString> controllerFaults;  // by 0-based controller, beside faultList
};

// Two fault lists as one: the faults of both.
inline QString JoinedFaults(const QString& first, const QString& second) {
    if (first.isEmpty() || second.isEmpty()) {
        return first + second;
    }
    return first + QLatin1Char(',') + second;
}

// The simulated controllers served from a thread of their own, for tests, benchmarks and main().
// Calls without a controller index are about the first one.
class SimServer {
public:
    explicit SimServer(SimOptions options = {});
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Returns once every endpoint listens (false and an error text when one cannot).
    bool Start(QString* error = nullptr);
    void Stop();

    int Controllers() const;
    quint16 TcpPort(int controller = 0) const;
    QString PtyPath(int controller = 0) const;  // the slave side the tool opens

    // Command texts of well-framed requests, in the order received.
    QStringList ReceivedCommands(int controller = 0) const;
    void ClearReceivedCommands();

    // Runs fn with the model locked against the serving thread.
    void WithModel(const std::function<void(ControllerModel&)>& fn, int controller = 0);
    void SetFaults(const QString& faultList, quint32 seed = 1);
    // As SetFaults, but says why a fault list is refused (SetFaults keeps the old plan and warns).
    bool TrySetFaults(const QString& faultList, quint32 seed, QString* error, int controller = 0);

    // Replaces the model's reply to requests whose command code (the two characters after the
    // device ID) is code: the given body, or silence for nullopt; for the next count requests, or
    // for all while count is negative. The body is the serial one (a reply of body + 7 bytes on
    // both links); the network endpoint adds its three extra body bytes as for any reply.
    void ScriptReply(const QByteArray& code, std::optional<QByteArray> body, int count = -1);
    void ClearScripts();

private:
    struct Impl;
    struct Controller;
    bool SetAllFaults(QString* error);
    Controller& ControllerAt(int k) const;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
