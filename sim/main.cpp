#include <QCoreApplication>

#include <cstdio>

#include "command_line.h"
#include "controller_model.h"
#include "sample_image.h"
#include "sim_server.h"
#include "stop_signal.h"

namespace {

// Controller k (0-based) counts its device ID and serial number up from the first one's.
void Configure(const sim::SimCommandLine& c, int k, sim::ControllerModel& model) {
    model.SetDeviceId(*sim::CountedUp(c.deviceId.value_or(model.DeviceId()), k));
    model.SetSerialNumber(*sim::CountedUp(c.serialNumber.value_or(model.SerialNumber()), k));
    if (c.version) {
        model.SetVersion(*c.version);
    }
    for (int k = 1; c.inputs && k <= 8; ++k) {
        model.SetInput(k, (*c.inputs)[static_cast<std::size_t>(k - 1)] == '1');
    }
    for (int i = 0; i < c.records; ++i) {
        char field3[16];
        std::snprintf(field3, sizeof field3, "%05d", i + 1);
        const QDateTime when = QDateTime(QDate(2007, 6, 23), QTime(10, 15)).addSecs(qint64{60} * i);
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
    if (!c->makeImage.isEmpty()) {
        if (!sim::WriteSampleImage(c->makeImage, c->imageBlocks, &error)) {
            std::fprintf(stderr, "kr470qx-sim: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    sim::SimServer server(c->options);
    for (int k = 0; k < server.Controllers(); ++k) {
        server.WithModel([&](sim::ControllerModel& model) { Configure(*c, k, model); }, k);
    }
    if (!server.Start(&error)) {
        std::fprintf(stderr, "kr470qx-sim: %s\n", qPrintable(error));
        return 1;
    }
    for (int k = 0; k < server.Controllers(); ++k) {
        if (c->options.tcp) {
            std::printf("tcp %s:%u\n", qPrintable(c->options.tcpHost), server.TcpPort(k));
        }
        if (c->options.pty) {
            std::printf("serial %s\n", qPrintable(server.PtyPath(k)));
        }
    }
    std::fflush(stdout);
    sim::WaitForStopSignal();
    server.Stop();
    return 0;
}
