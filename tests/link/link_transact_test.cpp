#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "frame_codec.h"
#include "link.h"
#include "link/link_test_peer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every case runs on both links against a scripted peer.
class LinkTransactTest : public ::testing::TestWithParam<LinkType> {
public:
    void SetUp() override { settings_ = SettingsFor(peer_); }

    LinkSettings SettingsFor(ScriptedPeer& peer) const {
        LinkSettings settings;
        settings.type = GetParam();
        if (Serial()) {
            settings.portName = QString::fromStdString(peer.OpenPty());
        } else {
            settings.ip = QStringLiteral("127.0.0.1");
            settings.tcpPort = QString::number(peer.Listen());
        }
        return settings;
    }
    bool Serial() const { return GetParam() == LinkType::Serial; }
    std::string Reply(std::string_view body) const {
        return Serial() ? BuildSerialReply(body) : BuildNetworkReply(body);
    }
    void Start(ScriptedPeer& peer, const LinkSettings& settings, ScriptedPeer::Script script) {
        peer.Run([serial = Serial(), script](ScriptedPeer& p) {
            if (!serial) {
                p.Accept();
            }
            script(p);
        });
        link_.SetSettings(settings);
        ASSERT_TRUE(link_.OpenLink());
    }
    void Start(ScriptedPeer::Script script) { Start(peer_, settings_, std::move(script)); }
    // Runs one transaction; its wall time in ms.
    double Timed(const QByteArray& command, bool& ok) {
        const auto start = Clock::now();
        ok = link_.Transact(command);
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

    ScriptedPeer peer_;
    LinkSettings settings_;
    Link link_;
};

struct ReplyCase {
    const char* name;
    std::function<std::string(const LinkTransactTest&)> peerSends;
    bool ok;
    std::function<std::string(const LinkTransactTest&)> lastReply;
    double minMs, maxMs;
};

std::string Sized(const LinkTransactTest& t, std::size_t total) {
    return t.Reply(std::string(total - t.Reply("").size(), 'B'));
}

TEST_P(LinkTransactTest, TakesTheFirstCompleteReplyWithinTheTimeout) {
    const auto okReply = [](const LinkTransactTest& t) { return t.Reply("ABC"); };
    const auto old = [](const LinkTransactTest& t) { return t.Reply("OLD"); };
    const std::vector<ReplyCase> cases = {
        {"plain", okReply, true, okReply, 0, 250},
        {"noise first", [](auto& t) { return "zz\r\x04q" + t.Reply("ABC"); }, true, okReply, 0,
         250},
        {"restart at 0x03", [](auto& t) { return "\x03junk" + t.Reply("ABC"); }, true, okReply, 0,
         250},
        {"failed check still stored",
         [](auto& t) { return t.Reply("ABD").substr(0, 4) + t.Reply("ABC").substr(4); }, false,
         [](auto& t) { return t.Reply("ABD").substr(0, 4) + t.Reply("ABC").substr(4); }, 0, 250},
        {"longest that fits", [](auto& t) { return Sized(t, 1499); }, true,
         [](auto& t) { return Sized(t, 1499); }, 0, 250},
        {"wraps onto its end", [](auto& t) { return Sized(t, 1500); }, false,
         [](auto&) { return std::string(); }, 0, 250},
        {"too long to complete", [](auto& t) { return Sized(t, 1501); }, false, old, 300, 600},
        {"silence", [](auto&) { return std::string(); }, false, old, 300, 600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer;
        const auto settings = SettingsFor(peer);
        const auto sends = c.peerSends(*this);
        Start(peer, settings, [&](ScriptedPeer& p) {
            p.ReadRequest();
            p.Write(Reply("OLD"));
            p.ReadRequest();
            p.Write(sends);
        });
        ASSERT_TRUE(link_.Transact("0000AC"));
        bool ok = false;
        const double ms = Timed("0000DB", ok);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(link_.LastReply().toStdString(), c.lastReply(*this));
        const bool kept = link_.LastReply().toStdString() == Reply("OLD");
        EXPECT_EQ(link_.ReplyLength(), kept ? 0 : link_.LastReply().size());
        EXPECT_GE(ms, c.minMs);
        EXPECT_LE(ms, c.maxMs);
        link_.CloseLink();
    }
}

TEST_P(LinkTransactTest, LateReplyCompletesTheNextTransaction) {
    Start([this](ScriptedPeer& p) {
        p.ReadRequest();
        ScriptedPeer::Pause(400);
        p.Write(Reply("LATE"));
        p.ReadRequest();
    });
    EXPECT_FALSE(link_.Transact("0000AC"));
    EXPECT_TRUE(link_.LastReply().isEmpty());
    EXPECT_TRUE(link_.Transact("0000AC"));
    EXPECT_EQ(link_.LastReply().toStdString(), Reply("LATE"));
}

// The serial link reads byte by byte, so a second reply waits for the next transaction; the
// network link drops the rest of the receive that completed the first.
TEST_P(LinkTransactTest, SecondReplyOfOneReceive) {
    Start([this](ScriptedPeer& p) {
        p.ReadRequest();
        p.Write(Reply("ONE") + Reply("TWO"));
        p.ReadRequest();
    });
    EXPECT_TRUE(link_.Transact("0000AC"));
    EXPECT_EQ(link_.LastReply().toStdString(), Reply("ONE"));
    EXPECT_EQ(link_.Transact("0000AC"), Serial());
    EXPECT_EQ(link_.LastReply().toStdString(), Reply(Serial() ? "TWO" : "ONE"));
}

// The network link gives up at the deadline; the serial link lets a stream run for a whole
// buffer's transfer time (about 860 ms at 19200,e,8,1) and a pause past it.
TEST_P(LinkTransactTest, PeerThatStreamsWithoutCompleting) {
    std::atomic<bool> stop = false;
    Start([&](ScriptedPeer& p) {
        p.ReadRequest();
        while (!stop) {
            p.Write("\x03zzzz");
            ScriptedPeer::Pause(2);
        }
    });
    bool ok = true;
    const double ms = Timed("0000AC", ok);
    stop = true;
    peer_.Join();  // while `stop` still lives: the script reads it until it sees it set
    EXPECT_FALSE(ok);
    EXPECT_GE(ms, Serial() ? 1100 : 300);
    EXPECT_LE(ms, Serial() ? 1700 : 600);
}

TEST_P(LinkTransactTest, HangUpFailsAtTheDeadlineWithoutSpinning) {
    Start([](ScriptedPeer& p) {
        p.ReadRequest();
        p.Write(
            "\x03"
            "AB");
        ScriptedPeer::Pause(50);
        p.HangUp();
    });
    const double cpu = ProcessCpuMs();
    bool ok = true;
    const double ms = Timed("0000AC", ok);
    EXPECT_FALSE(ok);
    EXPECT_GE(ms, 300);
    EXPECT_LE(ms, 600);
    EXPECT_LT(ProcessCpuMs() - cpu, ms * 0.2);

    // Nor may the dead port keep the event loop busy until the link is closed.
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    const double idle = ProcessCpuMs();
    loop.exec();
    EXPECT_LT(ProcessCpuMs() - idle, 40);
    link_.CloseLink();

    ScriptedPeer next;
    Start(next, SettingsFor(next), [this](ScriptedPeer& p) {
        p.ReadRequest();
        p.Write(Reply("BACK"));
    });
    EXPECT_TRUE(link_.Transact("0000AC"));
}

TEST_P(LinkTransactTest, CommandTooLongForTheFrameIsNotSent) {
    std::vector<std::size_t> received;
    Start([&](ScriptedPeer& p) {
        p.ReadRequest();
        p.Write(Reply("OLD"));
        received.push_back(p.ReadRequest(300).size());
    });
    ASSERT_TRUE(link_.Transact("0000AC"));
    EXPECT_FALSE(link_.Transact(QByteArray(1494, 'A')));
    EXPECT_EQ(link_.LastReply().toStdString(), Reply("OLD"));
    EXPECT_FALSE(link_.Transact(QByteArray(1493, 'A')));
    peer_.Join();
    EXPECT_EQ(received, std::vector<std::size_t>{1500});
}

INSTANTIATE_TEST_SUITE_P(BothLinks, LinkTransactTest,
                         ::testing::Values(LinkType::Serial, LinkType::Network),
                         [](const auto& info) {
                             return info.param == LinkType::Serial ? "Serial" : "Network";
                         });

}  // namespace
