#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

#include "command_line.h"
#include "sim/sim_test_client.h"

namespace {

TEST(SimCommandLine, TakesGoodArgumentsAndRefusesBadOnes) {
    struct Case {
        QStringList args;
        bool good;
        std::function<void(const sim::SimCommandLine&)> check;
    };
    const Case cases[] = {
        {{},
         true,
         [](const auto& c) {
             EXPECT_TRUE(c.options.tcp);
             EXPECT_EQ(c.options.tcpPort, 5003);
             EXPECT_FALSE(c.options.pty);
         }},
        {{"--pty"}, true, [](const auto& c) { EXPECT_FALSE(c.options.tcp); }},
        {{"--pty", "/tmp/x", "--tcp", "0.0.0.0:0"},
         true,
         [](const auto& c) {
             EXPECT_EQ(c.options.ptyLink, "/tmp/x");
             EXPECT_EQ(c.options.tcpHost, "0.0.0.0");
             EXPECT_EQ(c.options.tcpPort, 0);
         }},
        {{"--pty", "--line-speed", "19200"},
         true,
         [](const auto& c) {
             EXPECT_TRUE(c.options.ptyLink.isEmpty());
             EXPECT_EQ(c.options.lineSpeed, 19200);
             EXPECT_EQ(c.options.bitsPerCharacter, 11);
         }},
        {{"--line-speed", "9600,n,8,1"},
         true,
         [](const auto& c) { EXPECT_EQ(c.options.bitsPerCharacter, 10); }},
        {{"--line-speed", "9600,e,7,2"},
         true,
         [](const auto& c) { EXPECT_EQ(c.options.bitsPerCharacter, 11); }},
        {{"--fault", "drop:first=1", "--fault", "corrupt:p=0.5", "--seed", "9"},
         true,
         [](const auto& c) {
             EXPECT_EQ(c.options.faultList, "drop:first=1,corrupt:p=0.5");
             EXPECT_EQ(c.options.seed, 9u);
         }},
        {{"--device-id", "1234", "--inputs", "10000001", "--records", "3"},
         true,
         [](const auto& c) {
             EXPECT_EQ(*c.deviceId, "1234");
             EXPECT_EQ(*c.inputs, "10000001");
             EXPECT_EQ(c.records, 3);
         }},
        {{"--controllers", "3", "--fault-on", "2:drop:code=Zp", "--fault-on", "2:close"},
         true,
         [](const auto& c) {
             EXPECT_EQ(c.options.controllers, 3);
             EXPECT_EQ(c.options.controllerFaults.at(1), "drop:code=Zp,close");
         }},
        {{"--make-image", "x.kxb", "--blocks", "0"},
         true,
         [](const auto& c) {
             EXPECT_EQ(c.makeImage, "x.kxb");
             EXPECT_EQ(c.imageBlocks, 0);
         }},
        {{"--controllers", "0"}, false, nullptr},
        {{"--controllers", "2", "--fault-on", "3:drop"}, false, nullptr},
        {{"--fault-on", "drop"}, false, nullptr},
        {{"--fault-on", "1:explode"}, false, nullptr},
        {{"--controllers", "10", "--device-id", "ABCD"}, false, nullptr},
        {{"--controllers", "2", "--serial-number", "99999999"}, false, nullptr},
        {{"--controllers", "2", "--tcp", "127.0.0.1:65535"}, false, nullptr},
        {{"--blocks", "125"}, false, nullptr},
        {{"--tcp", "5003"}, false, nullptr},
        {{"--tcp", "127.0.0.1:70000"}, false, nullptr},
        {{"--line-speed", "fast"}, false, nullptr},
        {{"--line-speed", "9600,x,8,1"}, false, nullptr},
        {{"--fault", "explode"}, false, nullptr},
        {{"--device-id", "12345"}, false, nullptr},
        {{"--device-id", QString::fromLatin1("12\r4")}, false, nullptr},
        {{"--inputs", "1020000"}, false, nullptr},
        {{"--seed"}, false, nullptr},
        {{"--tpc", "1:1"}, false, nullptr},
    };
    for (const auto& c : cases) {
        QString error;
        const auto parsed = sim::ParseCommandLine(c.args, &error);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        ASSERT_EQ(parsed.has_value(), c.good) << error.toStdString();
        if (parsed) {
            c.check(*parsed);
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
}

// The start-up lines are what scripts and benchmarks read to find the simulator.
TEST(SimExecutable, AnnouncesItsEndpointsServesAndStopsOnSignal) {
    QProcess sim;
    sim.start(QStringLiteral(SIM_EXECUTABLE),
              {"--tcp", "127.0.0.1:0", "--pty", "--device-id", "0042"});
    ASSERT_TRUE(sim.waitForStarted(3000));
    QByteArray out;
    while (out.count('\n') < 2 && sim.waitForReadyRead(3000)) {
        out += sim.readAllStandardOutput();
    }
    const QList<QByteArray> lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << out.toStdString();
    ASSERT_TRUE(lines[0].startsWith("tcp 127.0.0.1:"));
    ASSERT_TRUE(lines[1].startsWith("serial /"));
    TcpClient tcp(static_cast<quint16>(lines[0].mid(lines[0].lastIndexOf(':') + 1).toUInt()));
    EXPECT_EQ(RawClient::FirstReply(tcp.Exchange("0000AC")).substr(1, 4), "0042");
    PtyClient pty(QString::fromLocal8Bit(lines[1].mid(7)));
    EXPECT_EQ(pty.Exchange("0042AS").size(), 21u);
    ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
    ASSERT_TRUE(sim.waitForFinished(3000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
}

}  // namespace
