#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>

#include "sim/sim_test_client.h"
#include "sim_server.h"

namespace {

using sim::LinkKind;

// What a fault did to the bytes that came back for one request.
struct Received {
    std::string bytes;
    qint64 firstByteMs = -1;
    qint64 lastByteMs = -1;
    bool sawPartial = false;  // a piece without the closing 0x0D arrived on its own
};

Received Collect(RawClient& client, const std::string& command, int firstMs) {
    Received r;
    int quietMs = firstMs;
    QElapsedTimer clock;
    clock.start();
    client.Write(BuildRequestFrame(command));
    while (true) {
        const std::string more =
            client.Read(quietMs, [](const std::string& b) { return !b.empty(); });
        if (more.empty()) {
            return r;
        }
        r.firstByteMs = r.firstByteMs < 0 ? clock.elapsed() : r.firstByteMs;
        r.lastByteMs = clock.elapsed();
        r.sawPartial = r.sawPartial || more.back() != '\r';
        r.bytes += more;
        quietMs = 250;
    }
}

struct FaultCase {
    const char* faults;
    const char* command;
    int waitMs;  // for the first byte
    std::function<void(const Received&, LinkKind)> expect;
};

void ExpectLength(const Received& r, LinkKind link, std::size_t length) {
    const std::string reply = RawClient::FirstReply(r.bytes);
    EXPECT_EQ(reply.size(), length);
    EXPECT_TRUE(Checked(reply, link));
}

const FaultCase kCases[] = {
    {"drop", "0001DB", 250, [](const Received& r, LinkKind) { EXPECT_EQ(r.bytes, ""); }},
    {"corrupt", "0001DB", 250,
     [](const Received& r, LinkKind link) {
         EXPECT_EQ(r.bytes.size(), 29u);
         EXPECT_FALSE(Checked(r.bytes, link));
     }},
    {"length", "0001DB", 250, [](const Received& r, LinkKind l) { ExpectLength(r, l, 30); }},
    {"length:delta=-1", "0001DB", 250,
     [](const Received& r, LinkKind l) { ExpectLength(r, l, 28); }},
    {"twice", "0001AS", 250,
     [](const Received& r, LinkKind link) {
         ASSERT_EQ(r.bytes.size(), 42u);
         EXPECT_EQ(r.bytes.substr(0, 21), r.bytes.substr(21));
         EXPECT_TRUE(Checked(r.bytes.substr(0, 21), link));
     }},
    {"noise:n=4", "0001AS", 250,
     [](const Received& r, LinkKind link) {
         ASSERT_EQ(r.bytes.size(), 25u);
         EXPECT_EQ(r.bytes.substr(0, 4).find('\x03'), std::string::npos);
         EXPECT_TRUE(Checked(r.bytes.substr(4), link));
     }},
    {"delay:ms=300", "0001AS", 600,
     [](const Received& r, LinkKind l) {
         ExpectLength(r, l, 21);
         EXPECT_GE(r.firstByteMs, 290);
     }},
    {"split:pieces=3:gap=120", "0001DB", 250,
     [](const Received& r, LinkKind l) {
         ExpectLength(r, l, 29);
         EXPECT_TRUE(r.sawPartial);
         EXPECT_GE(r.lastByteMs - r.firstByteMs, 220);
     }},
    {"lower:part=body", "0001DB", 250,
     [](const Received& r, LinkKind l) {
         ExpectLength(r, l, 29);
         EXPECT_EQ(r.bytes.substr(7, 16), "kr470qx-v5.01.07");
     }},
    {"drop:code=AS", "0001DB", 250, [](const Received& r, LinkKind l) { ExpectLength(r, l, 29); }},
    {"drop:code=DB", "0001DB", 250, [](const Received& r, LinkKind) { EXPECT_EQ(r.bytes, ""); }},
};

class SimFaultTest : public ::testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.pty = true;
        server_ = std::make_unique<sim::SimServer>(options);
        ASSERT_TRUE(server_->Start());
        client_ = Connect();
    }

    std::unique_ptr<RawClient> Connect() {
        if (GetParam() == LinkKind::Network) {
            return std::make_unique<TcpClient>(server_->TcpPort());
        }
        return std::make_unique<PtyClient>(server_->PtyPath());
    }

    std::unique_ptr<sim::SimServer> server_;
    std::unique_ptr<RawClient> client_;
};

TEST_P(SimFaultTest, EachFaultDoesWhatItSays) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.faults);
        QString error;
        ASSERT_TRUE(server_->TrySetFaults(QString::fromLatin1(c.faults), 1, &error))
            << error.toStdString();
        c.expect(Collect(*client_, c.command, c.waitMs), GetParam());
    }
}

// Only letters change case, so take a request whose checksum has one on this link.
TEST_P(SimFaultTest, LowerCaseChecksumFailsTheCheck) {
    const std::size_t digits = GetParam() == LinkKind::Serial ? 4 : 2;
    const auto checksum = [&](const std::string& reply) {
        return reply.substr(reply.size() - 1 - digits, digits);
    };
    std::string command;
    std::string good;
    for (const char* candidate : {"0000AC", "0001DB", "0001AS", "0001JD", "0001IB", "0001JF1"}) {
        good = client_->Exchange(candidate);
        if (checksum(good).find_first_of("ABCDEF") != std::string::npos) {
            command = candidate;
            break;
        }
    }
    ASSERT_FALSE(command.empty());
    server_->SetFaults(QStringLiteral("lower"));
    const std::string lower = client_->Exchange(command);
    ASSERT_EQ(lower.size(), good.size());
    std::string expected = checksum(good);
    for (auto& c : expected) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(checksum(lower), expected);
    EXPECT_EQ(lower.substr(0, lower.size() - 1 - digits), good.substr(0, good.size() - 1 - digits));
    EXPECT_FALSE(Checked(lower, GetParam()));
}

TEST_P(SimFaultTest, FirstNStrikesOnlyTheFirstMatchingRequests) {
    server_->SetFaults(QStringLiteral("drop:code=AS:first=2"));
    EXPECT_EQ(client_->Exchange("0001AS", 250), "");
    EXPECT_EQ(client_->Exchange("0001DB").size(), 29u);
    EXPECT_EQ(client_->Exchange("0001AS", 250), "");
    EXPECT_EQ(client_->Exchange("0001AS").size(), 21u);
    EXPECT_EQ(server_->ReceivedCommands().count(QStringLiteral("0001AS")), 3);
}

TEST_P(SimFaultTest, CloseHangsUpAndTheEndpointServesAgain) {
    server_->SetFaults(QStringLiteral("close:first=1"));
    client_->Write(BuildRequestFrame("0001DB"));
    if (GetParam() == LinkKind::Network) {
        auto& tcp = static_cast<TcpClient&>(*client_);
        EXPECT_TRUE(tcp.Socket().state() == QAbstractSocket::UnconnectedState ||
                    tcp.Socket().waitForDisconnected(1000));
    } else {
        client_->Drain(500);
        EXPECT_TRUE(static_cast<PtyClient&>(*client_).HungUp());
    }
    // A client reconnects as after any hang-up; the new terminal may need a moment to appear.
    std::string reply;
    QElapsedTimer clock;
    clock.start();
    while (reply.empty() && clock.elapsed() < 1000) {
        client_ = Connect();
        reply = client_->Ok() ? client_->Exchange("0001DB", 100) : std::string();
    }
    EXPECT_EQ(reply.size(), 29u);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, SimFaultTest,
                         ::testing::Values(LinkKind::Serial, LinkKind::Network),
                         [](const auto& info) {
                             return info.param == LinkKind::Serial ? "Pty" : "Tcp";
                         });

}  // namespace
