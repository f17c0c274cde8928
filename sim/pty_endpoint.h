#pragma once

#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>
#include <string>

namespace sim {

class PacedWriter;
class RequestDispatcher;
class RequestScanner;

// A pseudo-terminal the tool opens as its serial port. The master stays open for the whole run
// and the endpoint holds the slave open too, so a client may open and close the slave as often
// as it likes. Lives on the serving thread.
class PtyEndpoint {
public:
    // Logged by the name prefix + "pty".
    PtyEndpoint(RequestDispatcher& dispatcher, int lineSpeed, int bitsPerCharacter,
                std::string prefix = {});
    ~PtyEndpoint();

    bool Open(const QString& link, QString* error);
    QString Path() const;  // the link when there is one, else the slave's own path
    QString SlavePath() const { return slavePath_; }
    // Called with the new path after a hang-up reopened the terminal.
    void OnReopened(std::function<void(const QString&)> fn) { reopened_ = std::move(fn); }

private:
    bool OpenTerminal(QString* error);
    bool PlaceLink(QString* error);
    void CloseTerminal();
    void Read();
    void HangUp();
    qint64 Write(const char* data, qint64 n);

    RequestDispatcher& dispatcher_;
    int lineSpeed_;
    int bitsPerCharacter_;
    std::string where_;
    QString link_;
    QString slavePath_;
    QObject context_;  // queues the hang-up on this thread, after the writer has returned
    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<RequestScanner> scanner_;
    std::unique_ptr<PacedWriter> writer_;
    std::function<void(const QString&)> reopened_;
};

}  // namespace sim
