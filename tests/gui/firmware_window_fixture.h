#pragma once

#include <QProgressBar>

#include <chrono>
#include <memory>
#include <optional>

#include "controller_model.h"
#include "gui/window_fixture.h"
#include "sim_server.h"
#include "support/sim_flash.h"

using namespace std::chrono_literals;

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

struct BarState {
    int position;
    int maximum;
    friend bool operator==(const BarState&, const BarState&) = default;
};

inline void PrintTo(const BarState& bar, std::ostream* os) {
    *os << bar.position << " of " << bar.maximum;
}

// The window connected to a simulated controller, on the Firmware page, with an image file of
// the test's making. Pauses and beeps are recorded, not waited for.
class FirmwareWindowFixture : public WindowFixture {
protected:
    static constexpr int kBlock = 512;

    // Image data that never repeats with the block size and holds every hex letter.
    static QByteArray ImageData(int size) {
        QByteArray data(size, '\0');
        for (int i = 0; i < size; ++i) {
            data[i] = static_cast<char>((i * 7 + i / 251) % 256);
        }
        return data;
    }
    static QByteArray Header() { return QByteArray("KR470QX V5.02\0\0\0", 16); }

    QString WriteImageFile(const QByteArray& data, const QString& name = "image.KXB") {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(Header() + data);
        return path;
    }

    static QByteArray Quoted(const QString& text) { return '"' + text.toUtf8() + '"'; }

    // Serial when options ask for a pty, otherwise TCP on loopback.
    void StartConnected(const QString& firmwarePath, sim::SimOptions options = {}) {
        sim = std::make_unique<sim::SimServer>(options);
        QString error;
        ASSERT_TRUE(sim->Start(&error)) << error.toStdString();
        const QByteArray path = Quoted(firmwarePath);
        const QByteArray tcpPort = Quoted(QString::number(sim->TcpPort()));
        const QByteArray ptyPath = Quoted(sim->PtyPath());
        if (options.pty) {
            ports = {sim->PtyPath()};
            WriteSettings({{"FirmwareFile", path.constData()},
                           {"TYPE", "dword:00000000"},
                           {"ComBaudRate", "\"19200,e,8,1\""},
                           {"ComPortName", ptyPath.constData()}});
        } else {
            WriteSettings({{"FirmwareFile", path.constData()},
                           {"TYPE", "dword:00000001"},
                           {"NetIP", "\"127.0.0.1\""},
                           {"NetPort", tcpPort.constData()}});
        }
        Start();
        Click("btnConnect");
        ASSERT_TRUE(Find<QWidget>("pcMain")->isEnabled()) << StatusText().toStdString();
        ShowPage("tsFirmware");
        sim->ClearReceivedCommands();
        services.Clear();
    }

    void Upgrade() { Click("btnFirmware"); }

    // What the controller got, with each block's data cut off so that failures stay readable.
    QStringList Requests() const {
        QStringList shortened;
        for (const QString& request : sim->ReceivedCommands()) {
            shortened << request.left(10);
        }
        return shortened;
    }

    // Runs action once the controller has received `count` requests of the command code, right
    // before the tool's next event pump: the point at which a block's attempts begin.
    void AfterRequests(const QString& code, int count, std::function<void()> action) {
        services.onProcessEvents = [this, code, count, action, done = false]() mutable {
            if (!done && sim->ReceivedCommands().filter(code).size() == count) {
                done = true;
                action();
            }
        };
    }

    BarState Bar(const char* name) const {
        const auto* bar = Find<QProgressBar>(name);
        return {bar->value(), bar->maximum()};
    }

    std::vector<std::chrono::milliseconds> LongPauses() const {
        std::vector<std::chrono::milliseconds> found;
        for (const auto pause : services.pauses) {
            if (pause > 50ms) {
                found.push_back(pause);
            }
        }
        return found;
    }

    static QByteArray Padded(const QByteArray& data) {
        return data.leftJustified(124 * kBlock, '\xFF');
    }

    QTemporaryDir files;
    std::unique_ptr<sim::SimServer> sim;
};
