#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <optional>
#include <ostream>

#include "controller_model.h"
#include "gui/window_fixture.h"
#include "sim_server.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// The real window against the simulated controller on its own thread, over TCP or the
// pseudo-terminal. Pauses and beeps are recorded, so only real time-outs cost time.
class OperationsFixture : public WindowFixture {
protected:
    enum class Over { Tcp, Pty };

    void TearDown() override {
        WindowFixture::TearDown();
        sim.reset();
    }

    void StartAgainstSim(Over over = Over::Tcp) {
        sim::SimOptions options;
        options.pty = over == Over::Pty;
        sim = std::make_unique<sim::SimServer>(options);
        QString error;
        ASSERT_TRUE(sim->Start(&error)) << error.toStdString();
        if (over == Over::Pty) {
            ports = {sim->PtyPath()};
        }
        Start();
        over == Over::Tcp ? UseTcp() : UseSerialPort(sim->PtyPath());
    }

    void UseTcp() {
        ShowPage("tsNet");
        Find<QLineEdit>("edIP")->setText(QStringLiteral("127.0.0.1"));
        Find<QLineEdit>("edPort")->setText(QString::number(sim->TcpPort()));
    }
    void UseSerialPort(const QString& path) {
        ShowPage("tsCom");
        Find<QComboBox>("cmbPort")->setEditText(path);
    }
    void UseMissingPort() { UseSerialPort(QStringLiteral("/dev/no-such-controller-port")); }

    // Connects with the simulator's defaults and forgets what that sent, beeped and paused.
    void Connected() {
        Click("btnConnect");
        ASSERT_EQ(StatusText(), "Command ok.");
        Forget();
    }
    void Forget() {
        sim->ClearReceivedCommands();
        services.Clear();
        statuses.clear();
    }

    QStringList Commands() const { return sim->ReceivedCommands(); }
    void Script(const QByteArray& code, std::optional<QByteArray> body, int count = -1) {
        sim->ScriptReply(code, std::move(body), count);
    }
    // A reply body that makes a reply of the given total length: the acknowledgement, then filler.
    static QByteArray BodyOfLength(int replyLength, const QByteArray& start = "0001") {
        return start.leftJustified(replyLength - 7, '0');
    }

    using Beep = RecordingServices::Tone;
    static Beep High() { return {1000, std::chrono::milliseconds(300)}; }
    static Beep Low() { return {300, std::chrono::milliseconds(300)}; }

    // Every status text shown from now on, in order, taken at each event pump.
    void RecordStatuses() {
        statuses.clear();
        const QString before = StatusText();
        services.onProcessEvents = [this, before] {
            const QString now = StatusText();
            if (statuses.isEmpty() ? now != before : statuses.last() != now) {
                statuses << now;
            }
        };
    }

    bool Enabled(const char* name) const { return Find<QWidget>(name)->isEnabled(); }
    bool TabVisible(const char* page) const {
        auto* pages = Find<QTabWidget>("pcMain");
        return pages->isTabVisible(pages->indexOf(Find<QWidget>(page)));
    }

    static QColor Red() { return QColor(255, 0, 0); }
    static QColor Yellow() { return QColor(255, 255, 0); }
    static QColor White() { return QColor(255, 255, 255); }

    std::unique_ptr<sim::SimServer> sim;
    QStringList statuses;
};
