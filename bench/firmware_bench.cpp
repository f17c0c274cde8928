// Wall time of a full 124-block upgrade through the window, offscreen, against the simulator,
// with the real pauses, as a ratio to the least time the run can take. Run by hand:
//   firmware_bench [runs]
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "controller_model.h"
#include "sim_server.h"
#include "support/peak_memory.h"
#include "system_services.h"
#include "tfrm_module.h"
#include "tool_application.h"

using namespace std::chrono_literals;

namespace {

constexpr int kBlocks = 124;
constexpr int kBlockSize = 512;
constexpr int kBits = 11;  // start, 8 data, even parity, stop

// The real pauses; the tone is waited out as a sleep, since a test machine has no sound device.
// Also keeps where the time went: pauses (and how far they overshot) and event pumps.
class BenchServices : public SystemServices {
public:
    void Pause(std::chrono::milliseconds duration) override {
        const qint64 took = Timed([&] { SystemServices::Pause(duration); });
        overshootNs += took - std::chrono::nanoseconds(duration).count();
    }
    void ProcessEvents() override {
        eventsNs += Timed([this] { SystemServices::ProcessEvents(); });
    }
    void Beep(int, std::chrono::milliseconds duration) override { Pause(duration); }

    void Clear() { overshootNs = eventsNs = 0; }
    qint64 overshootNs = 0;
    qint64 eventsNs = 0;

private:
    template <typename Fn>
    static qint64 Timed(Fn fn) {
        QElapsedTimer timer;
        timer.start();
        fn();
        return timer.nsecsElapsed();
    }
};

// Pauses the upgrade must make, and the success beep.
double MandatedMs() {
    return 100 + 50 + kBlocks * 4 + 50 + kBlocks * 4 + 100 + 7000 + 300;
}

// Reply bytes the simulator sends when it paces a serial line: opening, program
// acknowledgements (body ID + code + address), verify replies (body ID + code + 1024 digits),
// final; each framed with seven bytes on the serial link.
double PacedReplyMs(int lineSpeed) {
    const double bytes = 13 + kBlocks * (10 + 7) + kBlocks * (6 + 1024 + 7) + 13;
    return bytes * kBits * 1000.0 / lineSpeed;
}

QByteArray SettingsFile(const QList<std::pair<const char*, QString>>& values) {
    QByteArray text =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n";
    for (const auto& [name, value] : values) {
        text += QByteArray("\"") + name + "\"=" + value.toUtf8() + "\n";
    }
    return text;
}

struct Run {
    double ms = 0;
    double overshootMs = 0;
    double eventsMs = 0;
    bool ok = false;
};

class Bench {
public:
    Bench(const QString& imagePath, bool serial) : imagePath_(imagePath), serial_(serial) {}

    Run Once() {
        sim::SimOptions options;
        options.tcp = !serial_;
        options.pty = serial_;
        options.lineSpeed = serial_ ? 115200 : 0;
        sim::SimServer sim(options);
        QString error;
        if (!sim.Start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return {};
        }
        WriteSettings(sim);
        TfrmModule::Dependencies deps;
        deps.services = &services_;
        deps.portSource = [&sim] { return QStringList{sim.PtyPath()}; };
        deps.settingsLocation = config_.filePath(QStringLiteral("KR470QX-V5.reg"));
        TfrmModule window(std::move(deps));
        window.show();
        window.btnConnectClick();
        services_.Clear();
        QElapsedTimer timer;
        timer.start();
        window.btnFirmwareClick();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const bool ok = window.findChild<QLabel*>(QStringLiteral("pnMsg"))->text() ==
                            QLatin1String("Command ok.") &&
                        FlashMatches(sim);
        return {ms, services_.overshootNs / 1e6, services_.eventsNs / 1e6, ok};
    }

private:
    void WriteSettings(const sim::SimServer& sim) {
        const auto quoted = [](const QString& text) { return '"' + text + '"'; };
        QFile file(config_.filePath(QStringLiteral("KR470QX-V5.reg")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(SettingsFile({{"FirmwareFile", quoted(imagePath_)},
                                 {"TYPE", serial_ ? "dword:00000000" : "dword:00000001"},
                                 {"ComBaudRate", quoted("115200,e,8,1")},
                                 {"ComPortName", quoted(sim.PtyPath())},
                                 {"NetIP", quoted("127.0.0.1")},
                                 {"NetPort", quoted(QString::number(sim.TcpPort()))}}));
    }

    bool FlashMatches(sim::SimServer& sim) const {
        QFile file(imagePath_);
        file.open(QIODevice::ReadOnly);
        const QByteArray data = file.readAll().mid(16);
        bool same = false;
        sim.WithModel([&](sim::ControllerModel& model) {
            same = QByteArray(reinterpret_cast<const char*>(model.Flash().data()),
                              static_cast<qsizetype>(model.Flash().size())) == data;
        });
        return same;
    }

    QString imagePath_;
    bool serial_;
    QTemporaryDir config_;
    BenchServices services_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Measure(const char* name, const QString& imagePath, bool serial, int runs) {
    const double floorMs = MandatedMs() + (serial ? PacedReplyMs(115200) : 0);
    std::vector<double> times;
    Bench bench(imagePath, serial);
    for (int i = 0; i < runs; ++i) {
        const Run run = bench.Once();
        std::printf(
            "%-20s run %d: %9.1f ms  ratio %.4f  (pause overshoot %.1f ms, events %.1f ms)%s\n",
            name, i + 1, run.ms, run.ms / floorMs, run.overshootMs, run.eventsMs,
            run.ok ? "" : "  FAILED");
        times.push_back(run.ms);
    }
    std::printf("%-20s floor %.1f ms, median %.1f ms, ratio %.4f\n\n", name, floorMs, Median(times),
                Median(times) / floorMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ToolApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    QTemporaryDir dir;
    const QString imagePath = dir.filePath(QStringLiteral("bench.KXB"));
    QByteArray image(16 + kBlocks * kBlockSize, '\0');
    QRandomGenerator generator(470);
    for (char& byte : image) {
        byte = static_cast<char>(generator.bounded(256));
    }
    QFile file(imagePath);
    file.open(QIODevice::WriteOnly);
    file.write(image);
    file.close();

    Measure("loopback TCP", imagePath, false, runs);
    Measure("pty at 115200 bit/s", imagePath, true, runs);
    std::printf("peak memory (VmHWM, tool and in-process simulator): %lld kB\n",
                static_cast<long long>(PeakMemoryKb()));
    return 0;
}
