#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
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
    QString faultSpec;          // as --fault takes it; empty: no faults
    quint32 seed = 1;
    QString logFile;
};

// The simulated controller served from a thread of its own, for tests, benchmarks and main().
class SimServer {
public:
    explicit SimServer(SimOptions options = {});
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Returns once every endpoint listens (false and an error text when one cannot).
    bool Start(QString* error = nullptr);
    void Stop();

    quint16 TcpPort() const;
    QString PtyPath() const;  // the slave side the tool opens

    // Command texts of well-framed requests, in the order received.
    QStringList ReceivedCommands() const;
    void ClearReceivedCommands();

    // Runs fn with the model locked against the serving thread.
    void WithModel(const std::function<void(ControllerModel&)>& fn);
    void SetFaults(const QString& faultSpec, quint32 seed = 1);
    // As SetFaults, but says why a fault list is refused (SetFaults keeps the old plan and warns).
    bool TrySetFaults(const QString& faultSpec, quint32 seed, QString* error);

    // Replaces the model's reply to requests whose command code (the two characters after the
    // device ID) is code: the given body, or silence for nullopt; for the next count requests, or
    // for all while count is negative. The body is the serial one (a reply of body + 7 bytes on
    // both links); the network endpoint adds its three extra body bytes as for any reply.
    void ScriptReply(const QByteArray& code, std::optional<QByteArray> body, int count = -1);
    void ClearScripts();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
