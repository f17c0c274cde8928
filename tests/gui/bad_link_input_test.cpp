#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTcpServer>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "gui/soak_fixture.h"
#include "support/loopback_listener.h"

// Port texts that name no controller, commands too long for a frame, and controllers that flood
// the line or go away in the middle of an operation. The tool ends each with its own texts, in
// the time its time-outs allow, and without spinning.
namespace {

using namespace std::chrono_literals;

// A controller end that writes one pattern without end, on a pty's master or on the first TCP
// connection to a loopback port. Non-blocking, so that it stops when asked even while the tool
// reads nothing.
class FloodingPeer {
public:
    ~FloodingPeer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        for (const int fd : {fd_, slave_, listener_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    QString OpenPty() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::grantpt(fd_);
        ::unlockpt(fd_);
        const QString path = QString::fromLocal8Bit(::ptsname(fd_));
        slave_ = ::open(::ptsname(fd_), O_RDWR | O_NOCTTY);  // keeps the pty up between opens
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
        return path;
    }
    int Listen() {
        int port = 0;
        listener_ = ListenOnLoopback(&port, SOCK_NONBLOCK);
        return port;
    }
    void Flood(std::string pattern) {
        thread_ = std::thread([this, pattern = std::move(pattern)] {
            while (!stop_) {
                if (fd_ < 0) {
                    fd_ = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK);
                }
                if (fd_ < 0 || !WriteSome(pattern)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
        });
    }

private:
    bool WriteSome(const std::string& pattern) {
        const auto written = slave_ >= 0
                                 ? ::write(fd_, pattern.data(), pattern.size())
                                 : ::send(fd_, pattern.data(), pattern.size(), MSG_NOSIGNAL);
        return written > 0;
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;
    int fd_ = -1;
    int slave_ = -1;
    int listener_ = -1;
};

class BadLinkInput : public SoakFixture {
protected:
    void SetUp() override {
        SoakFixture::SetUp();
        allowed = {"Connecting device ...",
                   "Connecting device ... ( 9 )",
                   "Connecting device ... ( 8 )",
                   "Connecting device ... ( 7 )",
                   "Connect device error!",
                   "Command ok.",
                   "Command error!",
                   "DIDO test",
                   "Programming ...",
                   "Verifying ...",
                   "Upgrading ..."};
    }
    void SerialPort(const QString& name) {
        ShowPage("tsCom");
        Find<QComboBox>("cmbPort")->setEditText(name);
    }
    void Network(const QString& ip, const QString& port) {
        ShowPage("tsNet");
        Find<QLineEdit>("edIP")->setText(ip);
        Find<QLineEdit>("edPort")->setText(port);
    }
    // Cancels the running test on button after `pumps` more event pumps.
    void CancelAfterPumps(const char* button, int pumps) {
        services.onProcessEvents = [this, button, left = pumps]() mutable {
            if (--left == 0) {
                Click(button);
            }
        };
    }
};

TEST_F(BadLinkInput, PortTextsThatNameNoControllerFailToOpenAtOnce) {
    const QString folder = configDir.filePath(QStringLiteral("folder"));
    QDir().mkpath(folder);
    const QString plain = configDir.filePath(QStringLiteral("plain"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    struct Case {
        const char* name;
        std::function<void()> choose;
    };
    const Case cases[] = {
        {"port: a folder", [&] { SerialPort(folder); }},
        {"port: a regular file", [&] { SerialPort(plain); }},
        {"port: /dev/null", [&] { SerialPort(QStringLiteral("/dev/null")); }},
        {"port: no such device", [&] { SerialPort(QStringLiteral("/dev/ttyNoSuchPort9")); }},
        {"port: empty", [&] { SerialPort(QString()); }},
        {"IP: 15 garbage characters", [&] { Network(QStringLiteral("x!?.;:#@~%^&*()"), "5003"); }},
        {"IP: numbers out of range", [&] { Network(QStringLiteral("999.999.999.999"), "5003"); }},
        {"TCP port: -1", [&] { Network(QStringLiteral("127.0.0.1"), QStringLiteral("-1")); }},
        {"TCP port: empty", [&] { Network(QStringLiteral("127.0.0.1"), QString()); }},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.Clear();
        c.choose();
        const Outcome outcome = Run("btnConnect", 1000);
        EXPECT_EQ(outcome.status, "Connect device error!");
        EXPECT_EQ(services.beeps, std::vector<RecordingServices::Tone>({{300, 300ms}}));
        EXPECT_FALSE(Find<QWidget>("pcMain")->isEnabled());
    }
    QFile kept(plain);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// The port text is read as a decimal number cut to its low 16 bits: 99999 is port 34463.
TEST_F(BadLinkInput, TcpPortTextBeyondSixteenBitsWrapsToItsLowBits) {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 99999 & 0xFFFF)) {
        GTEST_SKIP() << "port 34463 is taken";
    }
    Start();
    Network(QStringLiteral("127.0.0.1"), QStringLiteral("99999"));
    const Outcome outcome = Run("btnConnect", 3000);
    EXPECT_EQ(outcome.status, "Connect device error!");
    EXPECT_TRUE(server.hasPendingConnections() || server.waitForNewConnection(1000));
}

TEST_F(BadLinkInput, CommandsLongerThanAFrameAreNotSent) {
    StartFaulty("", 1);
    ShowPage("tsCommand");
    struct Case {
        int typed;  // after the four characters of the device ID
        bool sent;
    };
    for (const Case c : {Case{1489, true}, Case{1490, false}, Case{1494, false}}) {
        SCOPED_TRACE(c.typed);
        sim->ClearReceivedCommands();
        const QString text(c.typed, QLatin1Char('A'));
        Find<QLineEdit>("edCommandSend")->setText(text);
        const Outcome outcome = Run("btnCommand", 1000);
        if (c.sent) {
            EXPECT_EQ(sim->ReceivedCommands(), QStringList({"0001" + text}));
        } else {
            EXPECT_EQ(sim->ReceivedCommands(), QStringList());
            EXPECT_EQ(outcome.status, "Command error!");
        }
    }
}

// A controller that talks without end: bytes that never close a reply, or a reply start every
// few bytes. Connect gives up after its three attempts, in about their time-outs.
TEST_F(BadLinkInput, FloodingControllerIsGivenUpOn) {
    struct Case {
        const char* name;
        std::string pattern;
        bool pty;
        qint64 limitMs;
    };
    const Case cases[] = {
        {"TCP, no carriage return", std::string(64, 'A'), false, 2000},
        {"TCP, a reply start every few bytes",
         "\x03"
         "ab",
         false, 2000},
        {"TCP, broken replies",
         "\x03"
         "ab\r",
         false, 2000},
        {"pty, no carriage return", std::string(64, 'A'), true, 5000},
        {"pty, a reply start every few bytes",
         "\x03"
         "ab",
         true, 5000},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FloodingPeer peer;
        if (c.pty) {
            SerialPort(peer.OpenPty());
        } else {
            Network(QStringLiteral("127.0.0.1"), QString::number(peer.Listen()));
        }
        peer.Flood(c.pattern);
        const Outcome outcome = Run("btnConnect", c.limitMs);
        std::cout << "[ bad input ] " << c.name << ": " << outcome.ms << " ms\n";
        EXPECT_EQ(outcome.status, "Connect device error!");
    }
}

// The controller goes away in the middle of an operation: the TCP connection is closed, or the
// pty is hung up. The tool keeps to its time-outs without spinning, stays cancellable, and ends
// with its usual texts.
TEST_F(BadLinkInput, ControllerThatGoesAwayMidOperation) {
    struct Case {
        const char* name;
        const char* faults;
        bool pty;
        const char* button;
        int pumps;  // before the cancel click of a continuous test; 0: not one
        const char* status;
    };
    const Case cases[] = {
        {"DIDO test, TCP", "close:code=DG:first=1", false, "btnDIDO", 5, "Command error!"},
        {"DIDO test, pty", "close:code=DG:first=1", true, "btnDIDO", 5, "Command error!"},
        {"polling test, TCP", "close:code=PI:first=1", false, "btnPooling", 8, "Command error!"},
        {"polling test, pty", "close:code=PI:first=1", true, "btnPooling", 8, "Command error!"},
        {"upgrade, TCP", "close:code=Zp:first=1", false, "btnFirmware", 0, "Command error!"},
        {"upgrade, pty", "close:code=Zp:first=1", true, "btnFirmware", 0, "Command error!"},
    };
    const QString image = configDir.filePath(QStringLiteral("image.KXB"));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(16 + 2048, 'D'));
    file.close();
    const QByteArray imageValue = '"' + image.toUtf8() + '"';
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartFaulty(c.faults, 1, {{"FirmwareFile", imageValue.constData()}}, c.pty);
        ShowPage(c.pumps > 0 ? "tsTest" : "tsFirmware");
        if (c.pumps > 0) {
            CancelAfterPumps(c.button, c.pumps);
        }
        MarkCpu();
        const Outcome outcome = Run(c.button, 5000);
        const double cpu = CpuShare();
        std::cout << "[ bad input ] " << c.name << ": " << outcome.ms << " ms, cpu " << cpu << '\n';
        services.onProcessEvents = nullptr;
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_LT(cpu, 0.3) << outcome.ms << " ms";
        window.reset();
        sim.reset();
    }
}

}  // namespace
