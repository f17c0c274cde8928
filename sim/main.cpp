#include <QCoreApplication>

#include <cstdio>

#include "command_line.h"
#include "controller_model.h"
#include "sim_server.h"
#include "stop_signal.h"

namespace {

void Configure(const sim::SimCommandLine& c, sim::ControllerModel& model) {
    if (c.deviceId) {
        model.SetDeviceId(*c.deviceId);
    }
    if (c.version) {
        model.SetVersion(*c.version);
    }
    if (c.serialNumber) {
        model.SetSerialNumber(*c.serialNumber);
    }
    for (int k = 1; c.inputs && k <= 8; ++k) {
        model.SetInput(k, (*c.inputs)[static_cast<std::size_t>(k - 1)] == '1');
    }
    for (int i = 0; i < c.records; ++i) {
        char field3[16];
        std::snprintf(field3, sizeof field3, "%05d", i + 1);
        const QDateTime when = QDateTime(QDate(2007, 6, 23), QTime(10, 15)).addSecs(60 * i);
        model.PushRecord(
            {"1", when.toString(QStringLiteral("yyyyMMddHHmmss")).toStdString(), "0001", field3});
    }
}

}  // namespace

int main(int argc, char** argv) {
    sim::BlockStopSignals();
    QCoreApplication app(argc, argv);
    QString error;
    const auto c = sim::ParseCommandLine(app.arguments().mid(1), &error);
    if (!c) {
        std::fprintf(stderr, "kr470qx-sim: %s\n", qPrintable(error));
        return 2;
    }
    if (c->help) {
        std::fputs(qPrintable(sim::HelpText()), stdout);
        return 0;
    }
    sim::SimServer server(c->options);
    server.WithModel([&](sim::ControllerModel& model) { Configure(*c, model); });
    if (!server.Start(&error)) {
        std::fprintf(stderr, "kr470qx-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (c->options.tcp) {
        std::printf("tcp %s:%u\n", qPrintable(c->options.tcpHost), server.TcpPort());
    }
    if (c->options.pty) {
        std::printf("serial %s\n", qPrintable(server.PtyPath()));
    }
    std::fflush(stdout);
    sim::WaitForStopSignal();
    server.Stop();
    return 0;
}
