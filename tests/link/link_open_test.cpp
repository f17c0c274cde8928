#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include "frame_codec.h"
#include "link.h"
#include "link/link_test_peer.h"
#include "serial_platform.h"
#include "support/loopback_listener.h"

namespace {

LinkSettings SerialAt(const std::string& path, const char* speed = "19200,e,8,1") {
    LinkSettings settings;
    settings.type = LinkType::Serial;
    settings.portName = QString::fromStdString(path);
    settings.speed = QString::fromLatin1(speed);
    return settings;
}

bool Opens(const LinkSettings& settings) {
    Link link;
    link.SetSettings(settings);
    return link.OpenLink();
}

TEST(LinkOpenTest, SerialPortNamesThatAreNoTerminalFail) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("port"));
    QFile(file).open(QIODevice::WriteOnly);
    for (const QString& name : {file, dir.path(), QStringLiteral("/dev/null"),
                                dir.filePath(QStringLiteral("missing")), QString()}) {
        EXPECT_FALSE(Opens(SerialAt(name.toStdString()))) << name.toStdString();
    }
    EXPECT_EQ(QFile(file).size(), 0);
}

TEST(LinkOpenTest, DevicePath) {
    const QString here = QDir::currentPath();
    const std::pair<QString, QString> cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"com12", "/dev/ttyS11"},
        {"COM9999", "/dev/ttyS9998"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"COM0", "/dev/COM0"},
        {"COM01", "/dev/COM01"},
        {"COM10000", "/dev/COM10000"},
        {"COM1 ", "/dev/COM1 "},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/tmp/ttyUSB0", "/tmp/ttyUSB0"},
        {"./ttyUSB0", here + "/./ttyUSB0"},
        {"links/port", here + "/links/port"},
        {"", ""},
    };
    for (const auto& [name, path] : cases) {
        EXPECT_EQ(serial_platform::DevicePath(name).toStdString(), path.toStdString())
            << name.toStdString();
    }
}

// A bare name is the device under /dev, not a file of that name in the working folder.
TEST(LinkOpenTest, BareNameOpensTheDeviceUnderDev) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile(QStringLiteral("ptmx")).open(QIODevice::WriteOnly);
    const bool bare = Opens(SerialAt("ptmx"));
    const bool here = Opens(SerialAt("./ptmx"));
    QDir::setCurrent(previous);
    EXPECT_TRUE(bare);
    EXPECT_FALSE(here);
    EXPECT_EQ(QFile(dir.filePath(QStringLiteral("ptmx"))).size(), 0);
}

// Holds even for root, and through another name of the same device.
TEST(LinkOpenTest, SerialPortIsHeldExclusively) {
    ScriptedPeer peer;
    const std::string path = peer.OpenPty();
    QTemporaryDir dir;
    const std::string alias = dir.filePath(QStringLiteral("alias")).toStdString();
    ASSERT_EQ(::symlink(path.c_str(), alias.c_str()), 0);

    Link holder;
    holder.SetSettings(SerialAt(path));
    ASSERT_TRUE(holder.OpenLink());
    EXPECT_FALSE(Opens(SerialAt(path)));
    EXPECT_FALSE(Opens(SerialAt(alias)));
    holder.CloseLink();
    EXPECT_TRUE(Opens(SerialAt(alias)));
}

// A reply left in the port from before belongs to no request of this link.
TEST(LinkOpenTest, SerialOpenDiscardsWhatWaitedInThePort) {
    ScriptedPeer peer;
    const std::string path = peer.OpenPty();
    peer.Write(BuildSerialReply("STALE"));
    Link link;
    link.SetSettings(SerialAt(path));
    ASSERT_TRUE(link.OpenLink());
    peer.Run([](ScriptedPeer& p) {
        p.ReadRequest();
        p.Write(BuildSerialReply("FRESH"));
    });
    EXPECT_TRUE(link.Transact("0000AC"));
    EXPECT_EQ(link.LastReply().toStdString(), BuildSerialReply("FRESH"));
}

bool SameTerminal(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && cfgetispeed(&a) == cfgetispeed(&b) &&
           cfgetospeed(&a) == cfgetospeed(&b);
}

// Applied while open (a pty keeps only the speed, stop bits and odd parity), refused ones ignored,
// and whatever the port had is back after close.
TEST(LinkOpenTest, SpeedStringAppliedAndTerminalRestored) {
    struct Case {
        const char* speed;
        speed_t baud;
        tcflag_t cflagSet;
    };
    const Case cases[] = {
        {"9600,o,8,2", B9600, PARODD | CS8 | CSTOPB},
        {"19200,e,8,1", B19200, CS8},
        {"4800,n,8,1.5", B4800, CS8},
        {"fast please", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        ScriptedPeer peer;
        const std::string path = peer.OpenPty();
        termios before{};
        ::tcgetattr(peer.SlaveFd(), &before);
        cfsetspeed(&before, B2400);
        before.c_cflag = (before.c_cflag & ~CSIZE) | CS6;
        before.c_lflag |= ICANON | ECHO;
        ::tcsetattr(peer.SlaveFd(), TCSANOW, &before);
        ::tcgetattr(peer.SlaveFd(), &before);

        Link link;
        link.SetSettings(SerialAt(path, c.speed));
        ASSERT_TRUE(link.OpenLink());
        termios open{};
        ::tcgetattr(peer.SlaveFd(), &open);
        if (c.baud != 0) {
            EXPECT_EQ(cfgetospeed(&open), c.baud);
            EXPECT_EQ(open.c_cflag & (CSIZE | CSTOPB | PARODD), c.cflagSet);
        }
        link.CloseLink();
        termios after{};
        ::tcgetattr(peer.SlaveFd(), &after);
        EXPECT_TRUE(SameTerminal(before, after));
    }
}

// Replies that stream past the time-out at 19200 bit/s are taken whole: a firmware block's reply
// (about 600 ms on the wire), and the longest reply starting just before the deadline. A port that
// keeps a line of its own (a pseudo-terminal has 8 data bits whatever it is asked for) bounds the
// reply by the line it has: 10 bits a character at 4800 bit/s, not the 7 asked for.
TEST(LinkOpenTest, LongSerialRepliesStreamingPastTheTimeoutAreTaken) {
    struct Case {
        const char* speed;
        int pace;  // bit/s of a line with 11 bits a character
        int startMs;
        std::size_t length;
        double minMs, maxMs;
    };
    for (const Case& c : {Case{"19200,e,8,1", 19200, 20, 1040, 550, 1000},
                          Case{"19200,e,8,1", 19200, 250, 1499, 1050, 1600},
                          Case{"4800,n,5,1", 5280, 20, 1499, 3050, 3500}}) {
        SCOPED_TRACE(c.speed + std::to_string(c.length));
        ScriptedPeer peer;
        Link link;
        link.SetSettings(SerialAt(peer.OpenPty(), c.speed));
        ASSERT_TRUE(link.OpenLink());
        const std::string reply = BuildSerialReply(std::string(c.length - 7, 'D'));
        peer.Run([&](ScriptedPeer& p) {
            p.ReadRequest();
            ScriptedPeer::Pause(c.startMs);
            p.WritePaced(reply, c.pace);
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(link.Transact("0000Zv"));
        const std::chrono::duration<double, std::milli> ms =
            std::chrono::steady_clock::now() - start;
        EXPECT_EQ(link.LastReply().size(), c.length);
        EXPECT_GE(ms.count(), c.minMs);
        EXPECT_LE(ms.count(), c.maxMs);
    }
}

TEST(LinkOpenTest, NetworkAddressAndPortTexts) {
    ScriptedPeer peer;
    const int port = peer.Listen();
    const QString p = QString::number(port);
    const std::pair<QString, QString> opening[] = {{"127.0.0.1", p},
                                                   {"127.0.0.1", p + "abc"},
                                                   {"127.0.0.1", QString::number(port + 65536)},
                                                   {"127.000.0.001", p}};
    const std::pair<QString, QString> failing[] = {{"127.0.0.1", ""},
                                                   {"127.0.0.1", "abc"},
                                                   {"127.0.0.1", "65536"},
                                                   {"127.0.0.1", " " + p},
                                                   {"127.1", p},
                                                   {"localhost", p},
                                                   {"127.0.0.256", p},
                                                   {" 127.0.0.1", p},
                                                   {"127.0.0.1.", p},
                                                   {"::1", p},
                                                   {"", p}};
    LinkSettings settings;
    settings.type = LinkType::Network;
    for (const auto& [ip, tcpPort] : opening) {
        settings.ip = ip;
        settings.tcpPort = tcpPort;
        EXPECT_TRUE(Opens(settings)) << ip.toStdString() << " " << tcpPort.toStdString();
    }
    for (const auto& [ip, tcpPort] : failing) {
        settings.ip = ip;
        settings.tcpPort = tcpPort;
        EXPECT_FALSE(Opens(settings)) << ip.toStdString() << " " << tcpPort.toStdString();
    }
}

// Opening again first closes what was open: the same port opens a second time, a failed open
// leaves nothing held, and the first TCP peer sees its connection closed.
TEST(LinkOpenTest, OpeningAgainClosesTheOpenLinkFirst) {
    ScriptedPeer pty;
    const std::string path = pty.OpenPty();
    Link link;
    link.SetSettings(SerialAt(path));
    ASSERT_TRUE(link.OpenLink());
    EXPECT_TRUE(link.OpenLink());
    link.SetSettings(SerialAt("/dev/no-such-port"));
    EXPECT_FALSE(link.OpenLink());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(Opens(SerialAt(path)));

    ScriptedPeer first;
    ScriptedPeer second;
    LinkSettings settings;
    settings.type = LinkType::Network;
    settings.ip = QStringLiteral("127.0.0.1");
    settings.tcpPort = QString::number(first.Listen());
    link.SetSettings(settings);
    ASSERT_TRUE(link.OpenLink());
    first.Accept();
    settings.tcpPort = QString::number(second.Listen());
    link.SetSettings(settings);
    ASSERT_TRUE(link.OpenLink());
    EXPECT_TRUE(first.SeesClosed(1000));
}

// A frame the line never takes (output held by the peer) fails like a lost request, once its
// transfer time and a reply time-out more have passed: no reply is taken, nothing spins, and
// none of it goes out ahead of the next request. At 19200,e,8,1 a 13-byte frame takes 7 ms, a
// firmware block's 1041 bytes 596 ms.
TEST(LinkOpenTest, WriteThatNeverLeavesFailsLikeALostRequest) {
    struct Case {
        int commandLength;
        double minMs, maxMs;
    };
    for (const Case& c : {Case{6, 300, 600}, Case{1034, 890, 1250}}) {
        SCOPED_TRACE(c.commandLength);
        ScriptedPeer peer;
        Link link;
        link.SetSettings(SerialAt(peer.OpenPty()));
        ASSERT_TRUE(link.OpenLink());
        peer.Run([](ScriptedPeer& p) {
            p.ReadRequest();
            p.Write(BuildSerialReply("OLD"));
        });
        ASSERT_TRUE(link.Transact("0000AC"));
        peer.Join();

        ASSERT_EQ(::tcflow(peer.SlaveFd(), TCOOFF), 0);
        peer.Write(BuildSerialReply("WAITING"));
        const double cpu = ProcessCpuMs();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(link.Transact(QByteArray(c.commandLength, 'A')));
        const std::chrono::duration<double, std::milli> ms =
            std::chrono::steady_clock::now() - start;
        EXPECT_GE(ms.count(), c.minMs);
        EXPECT_LE(ms.count(), c.maxMs);
        EXPECT_LT(ProcessCpuMs() - cpu, ms.count() * 0.2);
        EXPECT_EQ(link.LastReply().toStdString(), BuildSerialReply("OLD"));

        ASSERT_EQ(::tcflow(peer.SlaveFd(), TCOON), 0);
        std::string received;
        peer.Run([&](ScriptedPeer& p) { received = p.ReadRequest(); });
        EXPECT_TRUE(link.Transact("0000DB"));
        peer.Join();
        EXPECT_EQ(link.LastReply().toStdString(), BuildSerialReply("WAITING"));
        EXPECT_EQ(received, BuildRequestFrame("0000DB"));
    }
}

// With a pump the connect is waited for among the pump's events: it opens as the blocking one
// does, and a refused one fails at once. The pump runs until the connect is settled.
TEST(LinkOpenTest, ConnectWaitedForWithAPump) {
    ScriptedPeer peer;
    const int port = peer.Listen();
    int pumps = 0;
    Link link;
    link.SetWaitPump([&] {
        ++pumps;
        QCoreApplication::processEvents();
    });
    LinkSettings settings;
    settings.type = LinkType::Network;
    settings.ip = QStringLiteral("127.0.0.1");
    settings.tcpPort = QString::number(port);
    link.SetSettings(settings);
    EXPECT_TRUE(link.OpenLink());
    EXPECT_GE(pumps, 1);
    link.CloseLink();

    const RefusingLoopbackPort refusing;
    settings.tcpPort = QString::number(refusing.Port());
    link.SetSettings(settings);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.OpenLink());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
