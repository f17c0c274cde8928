#pragma once

// The real kr470qx-tools on Xvfb with the xcb platform, against the real kr470qx-sim, driven with
// input that goes through the X server (XTest) and watched only through what the server holds
// (window properties, client messages, pixels) and through the simulator's log. The controls are
// found on a twin of the window, offscreen in this process: its layout is the real one's.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "support/recording_services.h"
#include "tfrm_module.h"
#include "x_display.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

inline const QRgb kRed = qRgb(255, 0, 0);
inline const QRgb kYellow = qRgb(255, 255, 0);

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
void EndsWithUs(QProcess& process);

class RealDisplay : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // kr470qx-sim on a free TCP port, logging every request.
    void StartSim(QStringList options = {});
    QString LogPath() const { return dir_.filePath(QStringLiteral("sim.log")); }
    QString SettingsPath(const char* folder) const;
    // The tool's settings store, on the network page; the twin gets a copy of its own.
    void WriteSettings(const char* language = "English", quint16 port = 0);
    // A firmware image of a 16-byte header and the given number of 512-byte blocks.
    void WriteImage(int blocks);
    QString ImagePath() const { return dir_.filePath(QStringLiteral("KR470QX.KXB")); }
    // The tool's sound device, for ALSA: silent, or one that plays at the pace of a real one
    // (see SoundDevice in sound_device.h).
    void UseAlsaConfig(const QString& path) { alsaConfig_ = path; }

    // The real tool on the X server, with the xcb platform and its own settings store.
    void StartTool();

    // The centre of a control on the screen.
    QPoint At(const char* name) const;
    void Click(const char* name, int count = 1, std::chrono::milliseconds gap = 40ms) {
        x_->Click(At(name), count, gap);
    }
    // Shows a page of pcMain by a click on its tab.
    void ClickTab(const char* page);
    QRgb Lamp() const { return x_->Pixel(At("shComm")); }
    // What the screen shows of a control.
    QImage ShotOf(const char* name) const;

    // The requests the controller got, in order.
    QStringList Requests() const;
    int Count(const QString& request) const { return Requests().count(request); }
    int CountStarting(const QString& prefix) const;
    bool WaitForRequests(const QString& request, int count, std::chrono::milliseconds limit = 10s);

    // Clicks "Alarm test" until the controller sees one more alarm request: whatever the X
    // server had delivered before that click has been handled by then. Clicks given while an
    // operation still runs have no effect, hence the repeats. Then waits for the alarm test's
    // end, so that the next input is taken.
    void Barrier();
    // The tool answers a ping from its event loop only once the operation has returned (no
    // event runs in an ending); the second ping leaves it the time to take input again.
    void WaitIdle();
    void Connect();
    // Waits for a second window of the tool, shown and holding the keyboard focus, as a person
    // waits to see a dialog before typing into it.
    std::optional<XWindowId> WaitForDialog();
    // The simulator, the tool against it, and a first Connect.
    void StartConnected() {
        StartSim();
        WriteSettings();
        StartTool();
        Connect();
    }
    // The window as the X server shows it, for a look by eye, once it has handled what it got.
    void Shot(const QString& name, bool settle = true);
    bool ToolEnds();

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
    Watch WatchUntilSteady(std::chrono::milliseconds limit);
    // A window that stays alive during a long wait: its lamp blinked, and it answered every one
    // of at least `pings` pings within 500 ms.
    static void ExpectAlive(const Watch& watch, int pings);

    static QProcess* xvfb_;
    static QString displayName_;
    std::unique_ptr<XDisplay> x_;
    QTemporaryDir dir_;
    QProcess sim_;
    QProcess tool_;
    quint16 simPort_ = 0;
    QString alsaConfig_;
    std::optional<XWindowId> window_;
    RecordingServices twinServices_;
    std::unique_ptr<TfrmModule> twin_;
};
