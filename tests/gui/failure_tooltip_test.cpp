#include <QToolTip>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "failure_text_table.h"
#include "gui/operations_fixture.h"
#include "link.h"
#include "link/link_test_peer.h"
#include "support/unprivileged.h"

// Why a connect failed, made real on this machine, and the words the status line's tooltip has
// for it in each language.
namespace {

using namespace std::chrono_literals;

LinkSettings Serial(const QString& name) {
    LinkSettings settings;
    settings.type = LinkType::Serial;
    settings.portName = name;
    return settings;
}

LinkSettings Network(const QString& ip, const QString& port) {
    LinkSettings settings;
    settings.type = LinkType::Network;
    settings.ip = ip;
    settings.tcpPort = port;
    return settings;
}

OpenFailure FailureOf(const LinkSettings& settings, std::chrono::milliseconds bound = 21s) {
    Link link;
    link.SetConnectBound(bound);
    link.SetSettings(settings);
    EXPECT_FALSE(link.OpenLink());
    return link.LastOpenFailure();
}

// The tooltips the failure gets, in English, GB and Big5.
struct Said {
    OpenCause cause = OpenCause::None;
    QString group;
    QStringList texts;
};

Said Say(const OpenFailure& failure) {
    Said said{failure.cause, failure.group, {}};
    for (Language language : {Language::English, Language::ChineseGB, Language::ChineseBIG5}) {
        said.texts.append(FailureTooltip(failure, language));
    }
    return said;
}

// File modes bind only an unprivileged user, so the open and its diagnosis run as one; what it
// found comes back through a pipe.
Said SayAsUnprivileged(const LinkSettings& settings) {
    int channel[2];
    EXPECT_EQ(::pipe(channel), 0);
    const bool ran = HoldsForUnprivilegedUser([&] {
        const Said said = Say(FailureOf(settings));
        const QByteArray record = (QString::number(static_cast<int>(said.cause)) + '\x1f' +
                                   said.group + '\x1f' + said.texts.join('\x1f'))
                                      .toUtf8();
        return ::write(channel[1], record.constData(), record.size()) == record.size();
    });
    ::close(channel[1]);
    QByteArray record;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        record.append(buffer, n);
    }
    ::close(channel[0]);
    EXPECT_TRUE(ran);
    const QStringList parts = QString::fromUtf8(record).split('\x1f');
    if (parts.size() != 5) {
        return {};
    }
    return {static_cast<OpenCause>(parts[0].toInt()), parts[1], parts.mid(2)};
}

// A device node only root may open, with the major and minor of the first serial port: opening
// it is refused before any driver sees it.
class DeviceNode {
public:
    DeviceNode(const char* name, mode_t mode, const char* group) {
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
        path_ = dir_.filePath(QString::fromLatin1(name));
        const QByteArray native = QFile::encodeName(path_);
        made_ = ::mknod(native.constData(), S_IFCHR | mode, makedev(4, 64)) == 0;
        const struct group* owner = ::getgrnam(group);
        made_ = made_ && owner && ::chown(native.constData(), 0, owner->gr_gid) == 0 &&
                ::chmod(native.constData(), mode) == 0;
    }
    bool Made() const { return made_; }
    QString Path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
    bool made_ = false;
};

// A pty whose slave another process has open and locked, as a terminal program holds a port.
class HeldPty {
public:
    // name: what the holder calls itself; "" keeps this program's name.
    explicit HeldPty(const char* name = "") {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master_);
        ::unlockpt(master_);
        path_ = QString::fromLocal8Bit(::ptsname(master_));
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(stop_) != 0) {
            return;  // not held, which the tests that need a holder check
        }
        holder_ = ::fork();
        if (holder_ == 0) {
            ::close(stop_[1]);
            if (*name) {
                ::prctl(PR_SET_NAME, name);
            }
            const int slave = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
            const char locked = slave >= 0 && ::flock(slave, LOCK_EX) == 0 ? 'y' : 'n';
            const bool told = ::write(ready[1], &locked, 1) == 1;
            char ignored = 0;
            // Holds the port until the parent closes its end of the pipe.
            const bool waited = ::read(stop_[0], &ignored, 1) >= 0;
            _exit(told && waited ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(stop_[0]);
        char locked = 'n';
        held_ = ::read(ready[0], &locked, 1) == 1 && locked == 'y';
        ::close(ready[0]);
    }
    ~HeldPty() {
        ::close(stop_[1]);
        if (holder_ > 0) {
            ::waitpid(holder_, nullptr, 0);
        }
        ::close(master_);
    }
    bool Held() const { return held_; }
    pid_t Holder() const { return holder_; }
    QString Path() const { return path_; }

private:
    int master_ = -1;
    int stop_[2] = {-1, -1};
    pid_t holder_ = -1;
    QString path_;
    bool held_ = false;
};

void ExpectSaid(const Said& said, OpenCause cause, const QStringList& english) {
    EXPECT_EQ(said.cause, cause);
    ASSERT_EQ(said.texts.size(), 3);
    for (const QString& part : english) {
        EXPECT_TRUE(said.texts[0].contains(part))
            << said.texts[0].toStdString() << "\nlacks " << part.toStdString();
    }
    for (int column : {1, 2}) {
        EXPECT_FALSE(said.texts[column].isEmpty()) << column;
        EXPECT_NE(said.texts[column], said.texts[0]) << column;
    }
    EXPECT_NE(said.texts[1], said.texts[2]);
}

TEST(FailureTooltip, SerialCausesMadeReal) {
    {
        SCOPED_TRACE("mode 000");
        DeviceNode node("ttyS-locked", 0000, "dialout");
        if (geteuid() == 0) {
            ASSERT_TRUE(node.Made());
            const Said said = SayAsUnprivileged(Serial(node.Path()));
            ExpectSaid(said, OpenCause::PermissionDenied,
                       {"Permission denied", node.Path(), "\"dialout\"", "no group"});
        }
    }
    {
        SCOPED_TRACE("group may open");
        DeviceNode node("ttyS-dialout", 0660, "dialout");
        if (geteuid() == 0) {
            ASSERT_TRUE(node.Made());
            const Said said = SayAsUnprivileged(Serial(node.Path()));
            ExpectSaid(said, OpenCause::PermissionDenied,
                       {node.Path(), "sudo usermod -aG dialout $USER", "log in again"});
            EXPECT_EQ(said.group, "dialout");
        }
    }
    {
        SCOPED_TRACE("held by another process");
        HeldPty pty;
        ASSERT_TRUE(pty.Held());
        const QString pid = QStringLiteral("(PID %1)").arg(pty.Holder());
        ExpectSaid(Say(FailureOf(Serial(pty.Path()))), OpenCause::DeviceBusy,
                   {pty.Path(), "in use by another program", pid, "ModemManager", "brltty"});
    }
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyUSB7"));
    ExpectSaid(Say(FailureOf(Serial(missing))), OpenCause::NoSuchDevice,
               {missing, "does not exist", "plugged in"});
    ExpectSaid(Say(FailureOf(Serial(QStringLiteral("COM200")))), OpenCause::NoSuchDevice,
               {"/dev/ttyS199 does not exist", "COM200 stands for /dev/ttyS199", "/dev/ttyUSB"});
    const QString file = dir.filePath(QStringLiteral("port"));
    QFile(file).open(QIODevice::WriteOnly);
    ExpectSaid(Say(FailureOf(Serial(file))), OpenCause::NotATerminal,
               {file, "not a serial port", "Nothing was written"});
    ExpectSaid(Say(FailureOf(Serial(QStringLiteral("/dev/null")))), OpenCause::NotATerminal,
               {"/dev/null is not a serial port"});
}

// Root reads every process's open files; another user sees only their own.
TEST(FailureTooltip, HolderTheSystemDoesNotShowIsSaidSo) {
    OpenFailure failure;
    failure.cause = OpenCause::DeviceBusy;
    failure.device = QStringLiteral("/dev/ttyUSB0");
    failure.linuxHints = true;
    ExpectSaid(Say(failure), OpenCause::DeviceBusy,
               {"does not show", "sudo fuser -v /dev/ttyUSB0", "ModemManager"});
}

// Where the system names no holders and has no adapter grabbers (Windows), none of that advice
// is given, in any language, and the port is named as typed.
TEST(FailureTooltip, NoLinuxAdviceWhereItDoesNotApply) {
    struct Case {
        OpenCause cause;
        const char* english;
    };
    for (const Case& c : {Case{OpenCause::DeviceBusy, "COM12 is in use by another program"},
                          Case{OpenCause::NoSuchDevice, "COM12 does not exist"}}) {
        OpenFailure failure;
        failure.cause = c.cause;
        failure.portName = QStringLiteral("COM12");
        failure.device = QStringLiteral("COM12");
        const Said said = Say(failure);
        ExpectSaid(said, c.cause, {c.english});
        for (const QString& text : said.texts) {
            for (const char* hint : {"fuser", "ModemManager", "brltty", "/dev/", "udev"}) {
                EXPECT_FALSE(text.contains(QLatin1String(hint))) << text.toStdString();
            }
        }
        failure.linuxHints = true;
        EXPECT_TRUE(FailureTooltip(failure, Language::English).contains("brltty"));
    }
}

// ModemManager and brltty run as root: another user cannot see their files, only their names.
TEST(FailureTooltip, HiddenGrabberIsNamed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to hold the port as another user";
    }
    HeldPty pty("brltty");
    ASSERT_TRUE(pty.Held());
    ::chmod(QFile::encodeName(pty.Path()).constData(), 0666);
    const Said said = SayAsUnprivileged(Serial(pty.Path()));
    ExpectSaid(
        said, OpenCause::DeviceBusy,
        {"does not show", QStringLiteral("Running now: brltty (PID %1).").arg(pty.Holder())});
}

TEST(FailureTooltip, PermissionWordsFollowWhatHelps) {
    OpenFailure failure;
    failure.cause = OpenCause::PermissionDenied;
    failure.device = QStringLiteral("/dev/ttyUSB0");
    failure.group = QStringLiteral("dialout");
    failure.groupMayOpen = true;
    failure.memberNextLogin = true;
    ExpectSaid(Say(failure), OpenCause::PermissionDenied,
               {"in the group already", "log out and log in again"});
    EXPECT_FALSE(FailureTooltip(failure, Language::English).contains("usermod"));
    failure.memberNextLogin = false;
    failure.seatRuleApplies = true;
    ExpectSaid(Say(failure), OpenCause::PermissionDenied,
               {"sudo usermod -aG dialout $USER", "udev rule", "plug it in again"});
}

TEST(FailureTooltip, NetworkCausesMadeReal) {
    ExpectSaid(Say(FailureOf(Network("127.1", "5003"))), OpenCause::BadAddress,
               {"\"127.1\" is not an IPv4 address"});
    ExpectSaid(Say(FailureOf(Network("127.0.0.1", "abc"))), OpenCause::PortZero,
               {"\"abc\" gives port 0"});
    RefusingLoopbackPort refusing;
    const QString closed = QString::number(refusing.Port());
    ExpectSaid(Say(FailureOf(Network("127.0.0.1", closed))), OpenCause::ConnectionRefused,
               {"127.0.0.1 refused the connection", "TCP port " + closed});
    SilentLoopbackPort silent;
    const QString unanswered = QString::number(silent.Port());
    const auto start = std::chrono::steady_clock::now();
    ExpectSaid(Say(FailureOf(Network("127.0.0.1", unanswered), 400ms)), OpenCause::ConnectTimedOut,
               {"No answer from 127.0.0.1 on TCP port " + unanswered, "within 0.4 s"});
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
}

class FailureTooltipWindow : public OperationsFixture {
protected:
    QString Tooltip() const { return Find<QWidget>("pnMsg")->toolTip(); }
};

// The link opened, the controller stayed silent: the status line keeps its text, the tooltip
// says what was tried.
TEST_F(FailureTooltipWindow, UnansweredIdentifyOnBothLinks) {
    ScriptedPeer pty;
    const QString path = QString::fromStdString(pty.OpenPty());
    ScriptedPeer tcp;
    const QString port = QString::number(tcp.Listen());
    Start();
    UseSerialPort(path);
    Find<QComboBox>("cmbBaudrate")->setEditText(QStringLiteral("9600,n,8,1"));
    Click("btnConnect");
    EXPECT_EQ(StatusText(), "Connect device error!");
    EXPECT_TRUE(Tooltip().contains(path + " opened, but the controller did not answer"));
    EXPECT_TRUE(Tooltip().contains("speed 9600,n,8,1"));

    ShowPage("tsNet");
    Find<QLineEdit>("edIP")->setText(QStringLiteral("127.0.0.1"));
    Find<QLineEdit>("edPort")->setText(port);
    Click("btnConnect");
    EXPECT_EQ(StatusText(), "Connect device error!");
    EXPECT_TRUE(Tooltip().contains("127.0.0.1 on TCP port " + port + " was made"));
}

// Replaced at every operation start; any status text that does not say the link failed takes it
// away: a language switch ("Start connect device"), a firmware header, "Load firmware file error!".
TEST_F(FailureTooltipWindow, TooltipLastsAsLongAsItsStatus) {
    const QString missingImage = configDir.filePath(QStringLiteral("missing.KXB"));
    const QString header = configDir.filePath(QStringLiteral("header.KXB"));
    QFile file(header);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("FW HEADER").leftJustified(16, '\0'));
    file.close();
    const std::pair<const char*, std::function<void()>> takers[] = {
        {"language", [this] { window->mnuTraditionalClick(); }},
        {"header",
         [&] {
             chosenFirmwareFile = header;
             window->mnuFirmwareFileClick();
         }},
        {"load error",
         [&] {
             window->SetFirmwareFilePath(missingImage);
             window->btnFirmwareClick();
         }},
    };
    StartAgainstSim();
    for (const auto& [what, take] : takers) {
        SCOPED_TRACE(what);
        window->mnuEnglishClick();
        UseMissingPort();
        Click("btnConnect");
        EXPECT_TRUE(Tooltip().contains("/dev/no-such-controller-port does not exist"));
        take();
        EXPECT_NE(StatusText(), "Connect device error!");
        EXPECT_EQ(Tooltip(), "");
    }

    UseMissingPort();
    Click("btnConnect");
    const QString failed = Tooltip();
    UseTcp();
    QStringList atStart;
    services.onProcessEvents = [&] { atStart << Tooltip(); };
    Click("btnConnect");
    EXPECT_EQ(StatusText(), "Command ok.");
    ASSERT_GE(atStart.size(), 2);
    EXPECT_EQ(atStart[0], failed);  // before the start's own texts are up
    EXPECT_EQ(atStart[1], "");
    EXPECT_EQ(Tooltip(), "");
}

}  // namespace
