// The real kr470qx-tools on Xvfb with the xcb platform, against the real kr470qx-sim, driven with
// input that goes through the X server (XTest) and watched only through what the server holds
// (window properties, client messages, pixels) and through the simulator's log. The controls are
// found on a twin of the window, offscreen in this process: its layout is the real one's.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <netinet/in.h>

#include <chrono>
#include <memory>
#include <thread>

#include "support/loopback_listener.h"
#include "support/recording_services.h"
#include "text_table.h"
#include "tfrm_module.h"
#include "x_display.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kYellow = qRgb(255, 255, 0);

// Polls a condition; a wait for something to happen, not a fixed sleep.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = 10s) {
    const auto until = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A child that goes with this process, also when ctest ends it on a time-out.
void EndsWithUs(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

class RealDisplay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        xvfb_ = new QProcess;
        EndsWithUs(*xvfb_);
        // Xvfb picks a free display itself and names it on the descriptor given.
        xvfb_->start(QStringLiteral(KR_XVFB), {"-displayfd", "1", "-screen", "0", "1280x1024x24",
                                               "-nolisten", "tcp", "-noreset"});
        if (xvfb_->waitForReadyRead(20000)) {
            displayName_ = ":" + QString::fromLatin1(xvfb_->readLine().trimmed());
        }
    }
    static void TearDownTestSuite() {
        xvfb_->terminate();
        xvfb_->waitForFinished(5000);
        delete xvfb_;
        xvfb_ = nullptr;
    }

    void SetUp() override {
        ASSERT_FALSE(displayName_.isEmpty()) << "Xvfb did not start";
        x_ = std::make_unique<XDisplay>(displayName_);
        ASSERT_TRUE(x_->IsOpen());
        ASSERT_TRUE(dir_.isValid());
        QDir(QStringLiteral(KR_SHOTS)).mkpath(QStringLiteral("."));
    }

    void TearDown() override {
        if (HasFailure() && window_ && x_->Viewable(*window_)) {
            Shot(QString::fromLatin1(
                     ::testing::UnitTest::GetInstance()->current_test_info()->name()),
                 false);
        }
        twin_.reset();
        for (QProcess* process : {&tool_, &sim_}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        if (HasFailure()) {
            QStringList requests;
            for (const QString& request : Requests()) {
                requests << request.left(12);
            }
            std::printf("requests: %s\ntool output:\n%s\n", qPrintable(requests.join(' ')),
                        tool_.readAll().constData());
        }
    }

    // kr470qx-sim on a free TCP port, logging every request.
    void StartSim(QStringList options = {}) {
        EndsWithUs(sim_);
        sim_.start(QStringLiteral(KR_SIM),
                   QStringList{"--tcp", "127.0.0.1:0", "--log", LogPath()} + options);
        ASSERT_TRUE(sim_.waitForReadyRead(10000));
        const QString line = QString::fromLatin1(sim_.readLine().trimmed());
        ASSERT_TRUE(line.startsWith("tcp ")) << line.toStdString();
        simPort_ = line.section(':', -1).toUShort();
    }

    QString LogPath() const { return dir_.filePath(QStringLiteral("sim.log")); }
    QString SettingsPath(const char* folder) const {
        return dir_.filePath(QString::fromLatin1(folder) + "/VELMO/KR470QX-V5.reg");
    }

    // The tool's settings store, on the network page; the twin gets a copy of its own.
    void WriteSettings(const char* language = "English", quint16 port = 0) {
        const QString text = QStringLiteral(
                                 "Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n"
                                 "\"TYPE\"=dword:00000001\n"
                                 "\"NetIP\"=\"127.0.0.1\"\n"
                                 "\"NetPort\"=\"%1\"\n"
                                 "\"FirmwareFile\"=\"%2\"\n"
                                 "\"LanguageFlag\"=\"%3\"\n")
                                 .arg(port ? port : simPort_)
                                 .arg(dir_.filePath(QStringLiteral("KR470QX.KXB")))
                                 .arg(QLatin1String(language));
        for (const char* folder : {"config", "twin"}) {
            QDir().mkpath(QFileInfo(SettingsPath(folder)).path());
            QFile file(SettingsPath(folder));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        }
    }

    // A firmware image of a 16-byte header and the given number of 512-byte blocks.
    void WriteImage(int blocks) {
        QFile file(dir_.filePath(QStringLiteral("KR470QX.KXB")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("KR470QX-V5 1.01", 16) + QByteArray(blocks * 512, '\x3C'));
    }

    // The real tool on the X server, with the xcb platform and its own settings store.
    void StartTool() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), displayName_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        tool_.setProcessEnvironment(env);
        tool_.setProcessChannelMode(QProcess::MergedChannels);
        EndsWithUs(tool_);
        tool_.start(QStringLiteral(KR_TOOL), QStringList());
        ASSERT_TRUE(tool_.waitForStarted(10000));
        ASSERT_TRUE(WaitUntil([this] { return (window_ = x_->ShownWindowOf(tool_.processId())); }))
            << "the tool's window did not appear";
        x_->Focus(*window_);

        TfrmModule::Dependencies deps;
        deps.services = &twinServices_;
        deps.settingsLocation = SettingsPath("twin");
        twin_ = std::make_unique<TfrmModule>(std::move(deps));
        twin_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(twin_.get()));
        // Until the window is drawn, a click may find no widget under it.
        ASSERT_TRUE(WaitUntil([this] { return Lamp() == kRed; }));
    }

    // The centre of a control on the screen.
    QPoint At(const char* name) const {
        const auto* control = twin_->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return x_->Origin(*window_) + control->mapTo(twin_.get(), control->rect().center());
    }
    void Click(const char* name, int count = 1) { x_->Click(At(name), count); }
    // Shows a page of pcMain by a click on its tab.
    void ClickTab(const char* page) {
        auto* pages = twin_->findChild<QTabWidget*>(QStringLiteral("pcMain"));
        QTabBar* bar = pages->tabBar();
        const QRect tab = bar->tabRect(pages->indexOf(twin_->findChild<QWidget*>(page)));
        x_->Click(x_->Origin(*window_) + bar->mapTo(twin_.get(), tab.center()));
    }
    QRgb Lamp() const { return x_->Pixel(At("shComm")); }

    // The requests the controller got, in order.
    QStringList Requests() const {
        QFile file(LogPath());
        QStringList requests;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                const qsizetype at = line.indexOf(" request ");
                if (at >= 0) {
                    requests << QString::fromLatin1(line.mid(at + 9));
                }
            }
        }
        return requests;
    }
    int Count(const QString& request) const { return Requests().count(request); }
    bool WaitForRequests(const QString& request, int count, std::chrono::milliseconds limit = 10s) {
        return WaitUntil([&] { return Count(request) >= count; }, limit);
    }

    // Clicks "Alarm test" until the controller sees one more alarm request: whatever the X
    // server had delivered before that click has been handled by then. Clicks given while an
    // operation still runs have no effect, hence the repeats. Then waits for the alarm test's
    // end, so that the next input is taken.
    void Barrier() {
        const int before = Count("0001JF0");
        ASSERT_TRUE(WaitUntil(
            [&] {
                Click("btnAlarm");
                return WaitForRequests("0001JF0", before + 1, 1s);
            },
            20s));
        WaitIdle();
    }

    // The tool answers a ping from its event loop only once the operation has returned (no
    // event runs in an ending); the second ping leaves it the time to take input again.
    void WaitIdle() {
        for (int ping = 0; ping < 2; ++ping) {
            ASSERT_TRUE(x_->Ping(*window_, 10s));
        }
    }

    void Connect() {
        Click("btnConnect");
        ASSERT_TRUE(WaitForRequests("0001AS", Count("0001AS") + 1));
        Barrier();
    }

    // The window as the X server shows it, for a look by eye, once it has handled what it got.
    void Shot(const QString& name, bool settle = true) {
        if (settle) {
            WaitIdle();
        }
        const QPoint origin = x_->Origin(*window_);
        x_->Screenshot()
            .copy(QRect(origin, twin_->frameSize()))
            .save(QDir(QStringLiteral(KR_SHOTS)).filePath(name + ".png"));
    }

    bool ToolEnds() {
        return tool_.waitForFinished(10000) && tool_.exitStatus() == QProcess::NormalExit &&
               tool_.exitCode() == 0;
    }

    // Watches the lamp until it has stopped blinking; returns when it last changed colour, and
    // counts every answer to the pings sent on the way.
    struct Watch {
        bool sawRed = false;
        bool sawYellow = false;
        int pings = 0;
        int pingsAnswered = 0;
        std::chrono::milliseconds slowestPing{0};
        Clock::time_point lastChange;
    };
    Watch WatchUntilSteady(std::chrono::milliseconds limit) {
        Watch watch;
        QRgb last = Lamp();
        watch.lastChange = Clock::now();
        auto nextPing = Clock::now();
        const auto until = Clock::now() + limit;
        // The lamp changes every 200 ms while it blinks.
        while (Clock::now() - watch.lastChange < 800ms && Clock::now() < until) {
            const QRgb now = Lamp();
            watch.sawRed = watch.sawRed || now == kRed;
            watch.sawYellow = watch.sawYellow || now == kYellow;
            if (now != last) {
                last = now;
                watch.lastChange = Clock::now();
            }
            if (Clock::now() >= nextPing) {
                ++watch.pings;
                if (const auto took = x_->Ping(*window_, 1000ms)) {
                    ++watch.pingsAnswered;
                    watch.slowestPing = std::max(watch.slowestPing, *took);
                }
                nextPing = Clock::now() + 1s;
            }
            std::this_thread::sleep_for(20ms);
        }
        return watch;
    }

    static QProcess* xvfb_;
    static QString displayName_;
    std::unique_ptr<XDisplay> x_;
    QTemporaryDir dir_;
    QProcess sim_;
    QProcess tool_;
    quint16 simPort_ = 0;
    std::optional<XWindowId> window_;
    RecordingServices twinServices_;
    std::unique_ptr<TfrmModule> twin_;
};

QProcess* RealDisplay::xvfb_ = nullptr;
QString RealDisplay::displayName_;

// The title bar shows the caption of the language, nothing appended; the application
// keeps its own name in the window class.
TEST_F(RealDisplay, TitleIsTheCaptionOfTheLanguage) {
    StartSim();
    WriteSettings("English");
    StartTool();
    EXPECT_EQ(x_->NetWmName(*window_), "KR470QX-V5 Tools V1.00");
    EXPECT_EQ(x_->WmName(*window_), "KR470QX-V5 Tools V1.00");
    EXPECT_EQ(x_->WmClass(*window_), QStringList({"kr470qx-tools", "KR470QX-V5 Tools"}));
    // The Language menu by its access key, then the item by its own.
    for (const auto& [key, language] :
         {std::pair{"s", Language::ChineseGB}, std::pair{"t", Language::ChineseBIG5},
          std::pair{"e", Language::English}}) {
        const QString caption = TextTable::Text(TextId::WindowCaption, language);
        x_->Key("l", {"Alt_L"});
        x_->Key(key);
        EXPECT_TRUE(WaitUntil([&] {
            return x_->NetWmName(*window_) == caption && x_->WmName(*window_) == caption;
        })) << x_->NetWmName(*window_).toStdString();
    }
}

// A double click, or a burst of Enter presses, runs a one-shot operation once.
TEST_F(RealDisplay, DoubleClickRunsAnOperationOnce) {
    StartSim();
    WriteSettings();
    StartTool();
    Click("btnConnect", 2);
    ASSERT_TRUE(WaitForRequests("0001AS", 1));
    Barrier();
    EXPECT_EQ(Count("0000AC"), 1);

    Click("btnReboot", 2);
    ASSERT_TRUE(WaitForRequests("0001AR00", 1));
    Barrier();
    EXPECT_EQ(Count("0001AR00"), 1);

    // Enter presses the default button, "Connect device"; the later ones come while it runs.
    for (int press = 0; press < 3; ++press) {
        x_->Key("Return");
    }
    ASSERT_TRUE(WaitForRequests("0001AS", 2));
    Barrier();
    EXPECT_EQ(Count("0000AC"), 2);
}

// Ctrl+Tab and Ctrl+Shift+Tab page through the tabs shown, never to "Function test".
// The page reached is told by a click on a button that only it has.
TEST_F(RealDisplay, CtrlTabPagesThroughTheShownTabs) {
    StartSim();
    WriteSettings();
    StartTool();
    Connect();
    Click("chkDO1");  // the keyboard focus on the Basic test page
    x_->Key("Tab", {"Control_L"});
    Shot("ctrl-tab-firmware");
    x_->Key("Tab", {"Control_L"});
    Click("btnCommand");  // sends the text of edCommandSend, "AB" from the form
    ASSERT_TRUE(WaitForRequests("0001AB", 1));
    Shot("ctrl-tab-command");

    Click("edCommandSend");  // the keyboard focus on the Command test page
    x_->Key("Tab", {"Control_L", "Shift_L"});
    x_->Key("Tab", {"Control_L", "Shift_L"});
    Barrier();  // "Alarm test" is on the Basic test page only
}

// During an upgrade a close request has no effect; the 7000 ms pause after the
// final command keeps its length while the window answers pings and its lamp blinks. Once the
// upgrade has ended, a close request ends the tool.
TEST_F(RealDisplay, UpgradeKeepsItsWindowAndStaysAlive) {
    // Verify replies take about 200 ms each (less than the TCP reply limit of 300 ms), so that
    // the upgrade surely still runs when the close request comes.
    StartSim({"--line-speed", "57600"});
    WriteImage(3);
    WriteSettings();
    StartTool();
    Connect();
    ClickTab("tsFirmware");
    Click("btnFirmware");
    ASSERT_TRUE(WaitForRequests("0001Zv0000", 1));
    x_->SendDeleteWindow(*window_);
    ASSERT_TRUE(WaitForRequests("0001ZrC4E9", 1));
    const auto pauseStart = Clock::now();
    x_->SendDeleteWindow(*window_);
    Shot("upgrade-pause");
    const Watch watch = WatchUntilSteady(15s);
    const auto pause =
        std::chrono::duration_cast<std::chrono::milliseconds>(watch.lastChange - pauseStart);
    EXPECT_TRUE(watch.sawRed && watch.sawYellow) << "the lamp did not blink during the pause";
    EXPECT_GE(watch.pings, 6);
    EXPECT_EQ(watch.pingsAnswered, watch.pings);
    EXPECT_LT(watch.slowestPing, 500ms);
    // The lamp stops blinking at the success ending, right after the pause, within one blink.
    EXPECT_GE(pause, 6800ms);
    EXPECT_LE(pause, 8500ms);
    EXPECT_EQ(Lamp(), kYellow);
    EXPECT_TRUE(x_->Viewable(*window_));
    EXPECT_EQ(tool_.state(), QProcess::Running);

    x_->SendDeleteWindow(*window_);
    EXPECT_TRUE(ToolEnds());
}

// A TCP connect that gets no answer keeps its full 21 s, while the window answers
// pings and its lamp blinks.
TEST_F(RealDisplay, UnansweredConnectKeepsTheWindowAlive) {
    const SilentLoopbackPort silent;
    StartSim();
    WriteSettings("English", silent.Port());
    StartTool();
    const auto start = Clock::now();
    Click("btnConnect");
    const Watch watch = WatchUntilSteady(30s);
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(watch.lastChange - start);
    EXPECT_TRUE(watch.sawRed && watch.sawYellow);
    EXPECT_GE(watch.pings, 18);
    EXPECT_EQ(watch.pingsAnswered, watch.pings);
    EXPECT_LT(watch.slowestPing, 500ms);
    EXPECT_GE(waited, 20800ms);
    EXPECT_LE(waited, 23000ms);
    EXPECT_EQ(Lamp(), kRed);
}

// During the DIDO test a close request leaves the window open and the test going; the
// tool ends as soon as the test has been stopped with its button.
TEST_F(RealDisplay, CloseDuringTheDidoTestWaitsForItsButton) {
    StartSim();
    WriteSettings();
    StartTool();
    Connect();
    Click("btnDIDO");
    ASSERT_TRUE(WaitForRequests("0001DG0", 1));
    x_->SendDeleteWindow(*window_);
    const int cycles = Count("0001DG0");
    ASSERT_TRUE(WaitForRequests("0001DG0", cycles + 5));
    EXPECT_TRUE(x_->Viewable(*window_));
    EXPECT_EQ(Count("0001JD"), 0);
    Click("btnDIDO");  // "Cancel test"
    EXPECT_TRUE(WaitForRequests("0001JD", 1));
    EXPECT_TRUE(ToolEnds());
}

}  // namespace
