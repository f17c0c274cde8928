#pragma once

#include <QJsonObject>

#include <array>
#include <atomic>
#include <functional>
#include <optional>

#include "cli_request.h"
#include "operation_context.h"
#include "operation_host.h"

// Stands where the window stands: it answers the controls an operation reads from the request,
// keeps what the operation shows, and tells the coordinator what happens as events.
class HeadlessHost final : public OperationHost {
public:
    using EventSink = std::function<void(QJsonObject)>;

    HeadlessHost(const CliRequest& request, const Target& target, OperationState& state,
                 const std::atomic<bool>& stop, EventSink sink);

    QString Text(TextId id) const override;
    void ShowStatus(const QString& /*text*/) override {}
    void ShowOpenFailure(const OpenFailure& failure) override { openFailure_ = failure; }
    void SetLinkLamp(LampColor /*color*/) override {}
    void SetBusyCursor(bool /*hourglass*/) override {}
    void SetWindowEnabled(bool /*enabled*/) override {}
    void SetBusyTimerRunning(bool /*running*/) override {}
    LinkSettings TakePortPageSettings() override { return target_.link; }

    void SetMainPagesEnabled(bool /*enabled*/) override {}
    void ShowVersion(const QString& text) override { version_ = text; }
    void ShowSerialNumber(const QString& serial) override { serialNumber_ = serial; }
    // The console program never writes the window's settings.
    void SaveLinkSettings() override {}

    QString ControllerCommand() const override { return request_.text; }
    void ShowControllerReply(const QByteArray& reply) override { reply_ = reply; }
    int ModuleTypeRow() const override { return request_.moduleRow; }
    QString ModuleAddress() const override { return request_.moduleAddress; }
    QString ModuleCommand() const override { return request_.text; }
    void ShowModuleReply(const QByteArray& reply) override { reply_ = reply; }

    QString TestButtonCaption(TestButton /*button*/) const override { return {}; }
    void SetTestButtonCaption(TestButton /*button*/, const QString& /*caption*/) override {}
    void SetOtherOperationsEnabled(TestButton /*running*/, bool /*enabled*/) override {}
    void SetCommandAndFirmwareTabsVisible(bool /*visible*/) override {}
    bool OutputTicked(int output) const override;
    void UntickOutputs() override { outputs_.fill(false); }
    void SetInputLamp(int input, LampColor color) override;
    void ShowPolledClock(const QString& text) override { polledClock_ = text; }
    void ShowPolledRecord(const QString& text) override { polledRecord_ = text; }

    int AlarmIndex() const override { return request_.alarm; }

    QString FirmwareFilePath() const override { return request_.image; }
    void SetFirmwareFilePath(const QString& /*path*/) override {}
    void SetProgressMaximum(ProgressBar bar, int maximum) override;
    void SetProgressPosition(ProgressBar /*bar*/, int /*position*/) override {}

    void OperationEnded(OperationEnding ending) override { ending_ = ending; }
    void BlockAttempted(ProgressBar phase, int block, int attempt, bool answered) override;
    void TestCycleDone(TestButton button) override;
    bool StopRequested() const override { return stop_.load(); }

    // What the last operation left.
    std::optional<OperationEnding> Ending() const { return ending_; }
    void ForgetEnding() { ending_.reset(); }
    const OpenFailure& LastOpenFailure() const { return openFailure_; }
    const QString& Version() const { return version_; }
    const QString& SerialNumber() const { return serialNumber_; }
    void ForgetIdentity();
    const QByteArray& Reply() const { return reply_; }
    int Cycles() const { return cycles_; }
    int Blocks() const { return blocks_; }
    int Retries(ProgressBar phase) const { return retries_[static_cast<int>(phase)]; }

    void Emit(const QString& event, QJsonObject fields = {}) const;

private:
    const CliRequest& request_;
    const Target& target_;
    OperationState& state_;
    const std::atomic<bool>& stop_;
    EventSink sink_;
    std::optional<OperationEnding> ending_;
    OpenFailure openFailure_;
    QString version_;
    QString serialNumber_;
    QByteArray reply_;
    std::array<bool, 4> outputs_{};
    QString inputs_;  // this cycle's, DI1 first; empty while the inputs were not read
    QString polledClock_;
    QString polledRecord_;
    int cycles_ = 0;
    int blocks_ = 0;
    std::array<int, 2> retries_{};
};
