#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <string>

#include "controller_model.h"
#include "sim/sim_test_client.h"
#include "sim_log.h"
#include "sim_server.h"

namespace {

using sim::LinkKind;

std::string Field(const std::string& reply, std::size_t from, std::size_t to) {
    return from <= reply.size() ? reply.substr(from - 1, to - from + 1) : std::string();
}

std::string BlockHex(int seed) {
    std::string hex;
    for (int i = 0; i < 512; ++i) {
        hex += ByteToHex(static_cast<std::uint8_t>(i * 7 + seed));
    }
    return hex;
}

class SimServerTest : public ::testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override { StartServer({}); }

    void StartServer(sim::SimOptions options) {
        server_.reset();
        options.pty = true;
        server_ = std::make_unique<sim::SimServer>(options);
        QString error;
        ASSERT_TRUE(server_->Start(&error)) << error.toStdString();
        client_ = Connect();
        ASSERT_TRUE(client_->Ok());
    }

    std::unique_ptr<RawClient> Connect() {
        if (GetParam() == LinkKind::Network) {
            return std::make_unique<TcpClient>(server_->TcpPort());
        }
        return std::make_unique<PtyClient>(server_->PtyPath());
    }

    void TearDown() override {
        client_.reset();
        server_.reset();
    }

    std::unique_ptr<sim::SimServer> server_;
    std::unique_ptr<RawClient> client_;
};

TEST_P(SimServerTest, EveryRequestGetsItsLengthAndFields) {
    server_->WithModel([](sim::ControllerModel& m) {
        m.SetInput(1, true);
        m.SetInput(3, true);
    });
    const std::string block = BlockHex(3);
    struct Case {
        std::string command;
        std::size_t length;  // 0: any checked length
        std::size_t from;
        std::string field;
    };
    const Case cases[] = {
        {"0000AC", 17, 2, "0001"},
        {"0001DB", 29, 8, "KR470QX-V5.01.07"},
        {"0001AS", 21, 8, "20070623"},
        {"0001DG0", 29, 8, "10100000"},
        {"0001AA20070623140509", 13, 0, ""},
        {"0001JF6", 13, 0, ""},
        {"0001JC00210002", 13, 0, ""},
        {"0001JD", 13, 0, ""},
        {"0001PI", 35, 8, "2007062314"},
        {"0001IB", 13, 0, ""},
        {"0001AB", 0, 2, "0001AB"},
        {"0001DDA1B", 0, 2, "0001DDA1B"},
        {"0001Zx6D2A", 0, 0, ""},
        {"0001Zp0200" + block, 0, 0, ""},
        {"0001Zv0200", 1037, 8, block},
        {"0001Zv0000", 1037, 8, std::string(1024, 'F')},
        {"0001ZrC4E9", 0, 0, ""},
        {"0001AR01", 13, 0, ""},
        {"0001AR00", 13, 0, ""},
    };
    for (const auto& c : cases) {
        const std::string reply = client_->Exchange(c.command, 1500);
        SCOPED_TRACE(c.command.substr(0, 12));
        ASSERT_FALSE(reply.empty());
        EXPECT_TRUE(Checked(reply, GetParam()));
        if (c.length != 0) {
            EXPECT_EQ(reply.size(), c.length);
        }
        if (c.from != 0) {
            EXPECT_EQ(Field(reply, c.from, c.from + c.field.size() - 1), c.field);
        }
    }
    EXPECT_EQ(server_->ReceivedCommands().size(), static_cast<qsizetype>(std::size(cases)));
}

TEST_P(SimServerTest, BrokenOrForeignRequestsGetNoReply) {
    std::string badCrc = BuildRequestFrame("0001DB");
    badCrc[badCrc.size() - 2] = badCrc[badCrc.size() - 2] == '0' ? '1' : '0';
    std::string lowerCrc = BuildRequestFrame("0000AC");  // CRC digits DE5B
    for (std::size_t i = lowerCrc.size() - 5; i < lowerCrc.size() - 1; ++i) {
        lowerCrc[i] = static_cast<char>(std::tolower(lowerCrc[i]));
    }
    std::string noTextEnd = BuildRequestFrame("0001DB");
    noTextEnd[7] = 'X';
    const std::string cases[] = {badCrc,
                                 lowerCrc,
                                 noTextEnd,
                                 "\x01\x02\r",
                                 BuildRequestFrame("0002DB"),
                                 BuildRequestFrame("00")};
    for (const auto& frame : cases) {
        client_->Write(frame);
        EXPECT_EQ(client_->Drain(250), "") << sim::SimLog::Escaped(frame);
    }
    // The line is still in step: the next good request is answered.
    EXPECT_EQ(client_->Exchange("0001AS").size(), 21u);
    EXPECT_EQ(server_->ReceivedCommands(), QStringList({"0002DB", "00", "0001AS"}));
}

TEST_P(SimServerTest, RecordsAreHandedOutOnePollAtATime) {
    server_->WithModel([](sim::ControllerModel& m) {
        m.PushRecord({"1", "20070623101500", "0001", "12345"});
        m.PushRecord({"2", "20070624111600", "0002", "54321"});
    });
    struct Step {
        std::string command;
        std::size_t length;
        std::string record;  // positions 30 to 53
    };
    const Step steps[] = {
        {"0001PI", 59,
         "1200706231015000001"
         "12345"},
        {"0001PI", 59,
         "1200706231015000001"
         "12345"},  // not acknowledged: shown again
        {"0001IB", 13, ""},
        {"0001IB", 13, ""},  // nothing shown since: nothing lost
        {"0001PI", 59,
         "2200706241116000002"
         "54321"},
        {"0001IB", 13, ""},
        {"0001PI", 35, ""},
    };
    for (const auto& s : steps) {
        const std::string reply = client_->Exchange(s.command);
        EXPECT_EQ(reply.size(), s.length) << s.command;
        if (!s.record.empty()) {
            EXPECT_EQ(Field(reply, 30, 53), s.record);
        }
    }
}

TEST_P(SimServerTest, ScriptedRepliesTakeOverForTheirCount) {
    server_->ScriptReply("DB", QByteArray("0001DBshort"), 1);
    server_->ScriptReply("AS", std::nullopt, -1);
    EXPECT_EQ(client_->Exchange("0001DB").size(), 18u);
    EXPECT_EQ(client_->Exchange("0001DB").size(), 29u);
    EXPECT_EQ(client_->Exchange("0001AS", 250), "");
    server_->ClearScripts();
    EXPECT_EQ(client_->Exchange("0001AS").size(), 21u);
}

TEST_P(SimServerTest, ClientsMayComeAndGo) {
    for (int i = 0; i < 5; ++i) {
        client_ = Connect();
        ASSERT_TRUE(client_->Ok());
        EXPECT_EQ(client_->Exchange("0000AC").size(), 17u) << i;
    }
}

TEST_P(SimServerTest, PacedReplyTakesTheLineTimeAndArrivesSteadily) {
    sim::SimOptions options;
    options.lineSpeed = 19200;  // 11 bits a character: 1037 bytes take 594 ms
    StartServer(options);
    client_->Write(BuildRequestFrame("0001Zv0000"));
    QElapsedTimer clock;
    clock.start();
    std::string got;
    qint64 last = 0;
    qint64 longestGap = 0;
    int arrivals = 0;
    while (!RawClient::HasReply(got) && clock.elapsed() < 2000) {
        const std::string more =
            client_->Read(50, [](const std::string& bytes) { return !bytes.empty(); });
        if (!more.empty() && !got.empty()) {
            longestGap = std::max(longestGap, clock.elapsed() - last);
        }
        got += more;
        arrivals += more.empty() ? 0 : 1;
        last = more.empty() ? last : clock.elapsed();
    }
    EXPECT_EQ(RawClient::FirstReply(got).size(), 1037u);
    EXPECT_GT(clock.elapsed(), 500);
    EXPECT_LT(clock.elapsed(), 800);
    // Steady, not one burst at the end: many small arrivals (about one a millisecond on an idle
    // machine), with room for a loaded machine's scheduling.
    EXPECT_GT(arrivals, 50);
    EXPECT_LT(longestGap, 100);
}

TEST(SimServer, PacingOneLineDoesNotHoldUpTheOther) {
    sim::SimOptions options;
    options.pty = true;
    options.lineSpeed = 19200;
    sim::SimServer server(options);
    ASSERT_TRUE(server.Start());
    PtyClient slow(server.PtyPath());
    TcpClient fast(server.TcpPort());
    slow.Write(BuildRequestFrame("0001Zv0000"));
    QThread::msleep(50);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(fast.Exchange("0000AC").size(), 17u);
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_EQ(RawClient::FirstReply(slow.Read(1500, &RawClient::HasReply)).size(), 1037u);
}

TEST(SimServer, ClientLeavingMidReplyLeavesTheServerWell) {
    sim::SimOptions options;
    options.lineSpeed = 19200;
    sim::SimServer server(options);
    ASSERT_TRUE(server.Start());
    for (int i = 0; i < 3; ++i) {
        auto leaving = std::make_unique<TcpClient>(server.TcpPort());
        leaving->Write(BuildRequestFrame("0001Zv0000"));
        EXPECT_FALSE(leaving->Read(30, nullptr).empty());
        leaving.reset();
    }
    TcpClient client(server.TcpPort());
    EXPECT_EQ(client.Exchange("0000AC").size(), 17u);
}

TEST(SimServer, StartSaysWhyItCannotServe) {
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    sim::SimServer taken;
    ASSERT_TRUE(taken.Start());
    const std::function<void(sim::SimOptions&)> cases[] = {
        [](auto& o) { o.faultList = QStringLiteral("explode"); },
        [](auto& o) { o.bitsPerCharacter = 3; },
        [&](auto& o) { o.logFile = dir.filePath(QStringLiteral("no/such/dir.log")); },
        [](auto& o) { o.tcpHost = QStringLiteral("not-an-address"); },
        [&](auto& o) { o.tcpPort = taken.TcpPort(); },
        [&](auto& o) {
            o.pty = true;
            o.ptyLink = plain.fileName();  // never replaces a file that is not a link
        },
    };
    for (const auto& setUp : cases) {
        sim::SimOptions options;
        setUp(options);
        sim::SimServer server(options);
        QString error;
        EXPECT_FALSE(server.Start(&error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(QFileInfo(plain.fileName()).isFile());
}

TEST(SimServer, LogsRequestsRepliesAndWhyAFrameWasRefused) {
    QTemporaryDir dir;
    sim::SimOptions options;
    options.logFile = dir.filePath(QStringLiteral("sim.log"));
    {
        sim::SimServer server(options);
        ASSERT_TRUE(server.Start());
        TcpClient client(server.TcpPort());
        EXPECT_EQ(client.Exchange("0001DB").size(), 29u);
        std::string bad = BuildRequestFrame("0001AS");
        bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0';
        client.Write(bad);
        EXPECT_EQ(client.Exchange("0002AS", 200), "");
    }
    QFile file(options.logFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(log.contains(QStringLiteral("request 0001DB")));
    EXPECT_TRUE(log.contains(QStringLiteral("reply 29 bytes <03>0001DB")));
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("bad frame.*CRC digits"))));
    EXPECT_TRUE(log.contains(QStringLiteral("addressed to device 0002")));
    // The connection's start and its end, however the end came about.
    EXPECT_TRUE(
        log.contains(QRegularExpression(QStringLiteral("tcp#1 connection opened from 127"))));
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("tcp#1 connection closed"))));
    EXPECT_EQ(log.count(QLatin1Char('\n')), 7);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, SimServerTest,
                         ::testing::Values(LinkKind::Serial, LinkKind::Network),
                         [](const auto& info) {
                             return info.param == LinkKind::Serial ? "Pty" : "Tcp";
                         });

}  // namespace
