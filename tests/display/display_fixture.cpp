#include "display_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

void EndsWithUs(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

QProcess* RealDisplay::xvfb_ = nullptr;
QString RealDisplay::displayName_;

void RealDisplay::SetUpTestSuite() {
    xvfb_ = new QProcess;
    EndsWithUs(*xvfb_);
    // Xvfb picks a free display itself and names it on the descriptor given.
    xvfb_->start(QStringLiteral(KR_XVFB), {"-displayfd", "1", "-screen", "0", "1280x1024x24",
                                           "-nolisten", "tcp", "-noreset"});
    if (xvfb_->waitForReadyRead(20000)) {
        displayName_ = ":" + QString::fromLatin1(xvfb_->readLine().trimmed());
    }
}

void RealDisplay::TearDownTestSuite() {
    xvfb_->terminate();
    xvfb_->waitForFinished(5000);
    delete xvfb_;
    xvfb_ = nullptr;
}

void RealDisplay::SetUp() {
    ASSERT_FALSE(displayName_.isEmpty()) << "Xvfb did not start";
    x_ = std::make_unique<XDisplay>(displayName_);
    ASSERT_TRUE(x_->IsOpen());
    ASSERT_TRUE(dir_.isValid());
    QDir(QStringLiteral(KR_SHOTS)).mkpath(QStringLiteral("."));
}

void RealDisplay::TearDown() {
    if (HasFailure() && window_ && x_->Viewable(*window_)) {
        Shot(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()),
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

void RealDisplay::StartSim(QStringList options) {
    EndsWithUs(sim_);
    sim_.start(QStringLiteral(KR_SIM),
               QStringList{"--tcp", "127.0.0.1:0", "--log", LogPath()} + options);
    ASSERT_TRUE(sim_.waitForReadyRead(10000));
    const QString line = QString::fromLatin1(sim_.readLine().trimmed());
    ASSERT_TRUE(line.startsWith("tcp ")) << line.toStdString();
    simPort_ = line.section(':', -1).toUShort();
}

QString RealDisplay::SettingsPath(const char* folder) const {
    return dir_.filePath(QString::fromLatin1(folder) + "/VELMO/KR470QX-V5.reg");
}

void RealDisplay::WriteSettings(const char* language, quint16 port) {
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

void RealDisplay::WriteImage(int blocks) {
    QFile file(dir_.filePath(QStringLiteral("KR470QX.KXB")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("KR470QX-V5 1.01", 16) + QByteArray(blocks * 512, '\x3C'));
}

void RealDisplay::StartTool() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("DISPLAY"), displayName_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    if (!alsaConfig_.isEmpty()) {
        env.insert(QStringLiteral("ALSA_CONFIG_PATH"), alsaConfig_);
    }
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

QPoint RealDisplay::At(const char* name) const {
    const auto* control = twin_->findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return x_->Origin(*window_) + control->mapTo(twin_.get(), control->rect().center());
}

void RealDisplay::ClickTab(const char* page) {
    auto* pages = twin_->findChild<QTabWidget*>(QStringLiteral("pcMain"));
    QTabBar* bar = pages->tabBar();
    const QRect tab = bar->tabRect(pages->indexOf(twin_->findChild<QWidget*>(page)));
    x_->Click(x_->Origin(*window_) + bar->mapTo(twin_.get(), tab.center()));
}

QStringList RealDisplay::Requests() const {
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

int RealDisplay::CountStarting(const QString& prefix) const {
    const QStringList requests = Requests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [&](const QString& r) { return r.startsWith(prefix); }));
}

bool RealDisplay::WaitForRequests(const QString& request, int count,
                                  std::chrono::milliseconds limit) {
    return WaitUntil([&] { return Count(request) >= count; }, limit);
}

void RealDisplay::Barrier() {
    const int before = Count("0001JF0");
    ASSERT_TRUE(WaitUntil(
        [&] {
            Click("btnAlarm");
            return WaitForRequests("0001JF0", before + 1, 1s);
        },
        20s));
    WaitIdle();
}

void RealDisplay::WaitIdle() {
    for (int ping = 0; ping < 2; ++ping) {
        ASSERT_TRUE(x_->Ping(*window_, 10s));
    }
}

void RealDisplay::Connect() {
    Click("btnConnect");
    ASSERT_TRUE(WaitForRequests("0001AS", Count("0001AS") + 1));
    Barrier();
}

std::optional<XWindowId> RealDisplay::WaitForDialog() {
    std::optional<XWindowId> dialog;
    WaitUntil([&] {
        for (const XWindowId shown : x_->ShownWindowsOf(tool_.processId())) {
            if (shown != *window_ && x_->FocusedWindow() == shown) {
                dialog = shown;
            }
        }
        return dialog.has_value();
    });
    return dialog;
}

void RealDisplay::Shot(const QString& name, bool settle) {
    if (settle) {
        WaitIdle();
    }
    const QPoint origin = x_->Origin(*window_);
    x_->Screenshot()
        .copy(QRect(origin, twin_->frameSize()))
        .save(QDir(QStringLiteral(KR_SHOTS)).filePath(name + ".png"));
}

bool RealDisplay::ToolEnds() {
    return tool_.waitForFinished(10000) && tool_.exitStatus() == QProcess::NormalExit &&
           tool_.exitCode() == 0;
}

RealDisplay::Watch RealDisplay::WatchUntilSteady(std::chrono::milliseconds limit) {
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

void RealDisplay::ExpectAlive(const Watch& watch, int pings) {
    EXPECT_TRUE(watch.sawRed && watch.sawYellow) << "the lamp did not blink";
    EXPECT_GE(watch.pings, pings);
    EXPECT_EQ(watch.pingsAnswered, watch.pings);
    EXPECT_LT(watch.slowestPing, 500ms);
}

QImage RealDisplay::ShotOf(const char* name) const {
    const auto* control = twin_->findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return x_->Screenshot().copy(QRect(At(name) - control->rect().center(), control->size()));
}
