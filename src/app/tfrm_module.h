#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

#include "firmware_image.h"
#include "link.h"
#include "operation_context.h"
#include "operation_host.h"
#include "port_list.h"
#include "settings_store.h"

class InputGate;
class TabPaging;
class QFileDialog;
class QPushButton;
class QTimer;
class LampWidget;
namespace Ui {
class TfrmModule;
}

// The tool's one window. It owns the settings, the link, the operation state and the firmware
// image; the operations reach it through OperationHost.
class TfrmModule : public QMainWindow, public OperationHost {
    Q_OBJECT

public:
    // What the real program takes from the computer; tests put in their own.
    struct Dependencies {
        Services* services = nullptr;  // null: the computer's own
        PortSource portSource;         // empty: the system's serial ports
        PortDetailSource portDetails;  // empty: the system's, unless portSource is given
        QString settingsLocation;      // empty: the user's settings file
        std::function<QString()> chooseFirmwareFile;  // empty: dlgLoad; "" means cancelled
    };

    TfrmModule();
    explicit TfrmModule(Dependencies dependencies, QWidget* parent = nullptr);
    ~TfrmModule() override;

    const ToolSettings& Settings() const { return settings_; }
    OperationContext& Context() { return ctx_; }
    QTimer* ClockTimer() const { return tmrClock_; }
    QTimer* BusyTimer() const { return tmrBusy_; }
    QFileDialog* LoadDialog();

    // Event handlers, named after their control and event.
    void FormCreate();
    void FormShow();
    void ApplyLanguageFont();
    void FillPortList();
    void btnConnectClick();
    void btnSetDateClick();
    void btnAlarmClick();
    void btnDIDOClick();
    void btnPoolingClick();
    void btnInitialClick();
    void btnRebootClick();
    void btnFirmwareClick();
    void btnCommandClick();
    void btnModuleCommandClick();
    void tmrBusyTimer();
    void tmrClockTimer();
    void mnuFirmwareFileClick();
    void mnuExitClick();
    void mnuEnglishClick();
    void mnuSimplifiedClick();
    void mnuTraditionalClick();

    // OperationHost
    QString Text(TextId id) const override;
    void ShowStatus(const QString& text) override;
    void ShowOpenFailure(const OpenFailure& failure) override;
    void SetLinkLamp(LampColor color) override;
    void SetBusyCursor(bool hourglass) override;
    void SetWindowEnabled(bool enabled) override;
    void SetBusyTimerRunning(bool running) override;
    LinkSettings TakePortPageSettings() override;
    void SetMainPagesEnabled(bool enabled) override;
    void ShowVersion(const QString& text) override;
    void ShowSerialNumber(const QString& serial) override;
    void SaveLinkSettings() override;
    QString ControllerCommand() const override;
    void ShowControllerReply(const QByteArray& reply) override;
    int ModuleTypeRow() const override;
    QString ModuleAddress() const override;
    QString ModuleCommand() const override;
    void ShowModuleReply(const QByteArray& reply) override;
    QString TestButtonCaption(TestButton button) const override;
    void SetTestButtonCaption(TestButton button, const QString& caption) override;
    void SetOtherOperationsEnabled(TestButton running, bool enabled) override;
    void SetCommandAndFirmwareTabsVisible(bool visible) override;
    bool OutputTicked(int output) const override;
    void UntickOutputs() override;
    void SetInputLamp(int input, LampColor color) override;
    void ShowPolledClock(const QString& text) override;
    void ShowPolledRecord(const QString& text) override;
    int AlarmIndex() const override;
    QString FirmwareFilePath() const override;
    void SetFirmwareFilePath(const QString& path) override;
    void SetProgressMaximum(ProgressBar bar, int maximum) override;
    void SetProgressPosition(ProgressBar bar, int position) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents();
    void ConnectHandlers();
    void SetLanguage(Language language, const char* flag);
    void SetCaptions();
    void FitTabsToFont();
    void RunOneShot(const std::function<void()>& operation);
    void ContinuousTestButtonClick(TestButton button);
    QString RunLoadDialog();
    void ShowTab(QWidget* page, bool shown);
    void CloseIfExitAsked();
    QPushButton* TestButtonWidget(TestButton button) const;
    LampWidget* InputLamp(int input) const;

    std::unique_ptr<Ui::TfrmModule> ui_;
    std::unique_ptr<Services> ownedServices_;
    Services* services_;
    Dependencies dependencies_;
    QString settingsLocation_;
    ToolSettings settings_;
    Link link_;
    OperationState state_;
    FirmwareImage image_;
    OperationContext ctx_;
    QTimer* tmrBusy_ = nullptr;
    QTimer* tmrClock_ = nullptr;
    QFileDialog* dlgLoad_ = nullptr;
    std::unique_ptr<TabPaging> paging_;
    std::unique_ptr<InputGate> gate_;
    TestButton runningTest_ = TestButton::Dido;
    int shownPage_ = 0;  // of pcMain
    bool oneShotRunning_ = false;
    bool cursorPushed_ = false;
    bool shown_ = false;
    bool exitAsked_ = false;
};
