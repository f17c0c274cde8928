#pragma once

#include <QByteArray>
#include <QString>

#include "link_settings.h"
#include "open_failure.h"
#include "text_id.h"

enum class LampColor { Red, Yellow, White };
enum class TestButton { Dido, Polling };
enum class ProgressBar { Program, Verify };
enum class OperationEnding { OpenFailure, Success, Failure };

// What the operations see of the window: the controls they read and write, by meaning. The main
// window implements it; nothing here knows about widgets.
class OperationHost {
public:
    virtual ~OperationHost() = default;

    // Feedback of the operation frame.
    virtual QString Text(TextId id) const = 0;  // in the language current at this moment
    virtual void ShowStatus(const QString& text) = 0;
    // Why the link did not come up, beside the status line; cause None takes the last one away.
    virtual void ShowOpenFailure(const OpenFailure& failure) = 0;
    virtual void SetLinkLamp(LampColor color) = 0;
    virtual void SetBusyCursor(bool hourglass) = 0;
    virtual void SetWindowEnabled(bool enabled) = 0;
    virtual void SetBusyTimerRunning(bool running) = 0;
    // Takes the link settings of the port page shown into the tool's settings and returns them.
    virtual LinkSettings TakePortPageSettings() = 0;

    // Connect.
    virtual void SetMainPagesEnabled(bool enabled) = 0;
    virtual void ShowVersion(const QString& text) = 0;
    // The serial number read, shown with the device ID; empty clears the panel.
    virtual void ShowSerialNumber(const QString& serial) = 0;
    virtual void SaveLinkSettings() = 0;

    // Consoles.
    virtual QString ControllerCommand() const = 0;
    virtual void ShowControllerReply(const QByteArray& reply) = 0;
    virtual int ModuleTypeRow() const = 0;
    virtual QString ModuleAddress() const = 0;
    virtual QString ModuleCommand() const = 0;
    virtual void ShowModuleReply(const QByteArray& reply) = 0;

    // Continuous tests.
    virtual QString TestButtonCaption(TestButton button) const = 0;
    virtual void SetTestButtonCaption(TestButton button, const QString& caption) = 0;
    // The buttons that could start another operation while the given test runs.
    virtual void SetOtherOperationsEnabled(TestButton running, bool enabled) = 0;
    virtual void SetCommandAndFirmwareTabsVisible(bool visible) = 0;
    virtual bool OutputTicked(int output) const = 0;  // 1 to 4
    virtual void UntickOutputs() = 0;
    virtual void SetInputLamp(int input, LampColor color) = 0;  // 1 to 8
    virtual void ShowPolledClock(const QString& text) = 0;
    virtual void ShowPolledRecord(const QString& text) = 0;

    // Alarm.
    virtual int AlarmIndex() const = 0;

    // Firmware.
    virtual QString FirmwareFilePath() const = 0;
    // Makes the path current, stores it and shows it.
    virtual void SetFirmwareFilePath(const QString& path) = 0;
    virtual void SetProgressMaximum(ProgressBar bar, int maximum) = 0;
    virtual void SetProgressPosition(ProgressBar bar, int position) = 0;

    // What a host without a window observes and steers; the window leaves them as they are.
    // The ending the operation frame has just run.
    virtual void OperationEnded(OperationEnding /*ending*/) {}
    // One attempt (1 to 5) at block `block` (0-based) of a phase, once its transaction returned.
    virtual void BlockAttempted(ProgressBar /*phase*/, int /*block*/, int /*attempt*/,
                                bool /*answered*/) {}
    // A cycle of a continuous test has run to its end.
    virtual void TestCycleDone(TestButton /*button*/) {}
    // Whether to stop where stopping leaves the controller and the link sound: between identify
    // attempts, before each block of an upgrade and before its final command.
    virtual bool StopRequested() const { return false; }
};
