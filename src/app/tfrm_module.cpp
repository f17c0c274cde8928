#include "tfrm_module.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>

#include "firmware_operations.h"
#include "input_gate.h"
#include "operation_frame.h"
#include "operations.h"
#include "settings_key.h"
#include "system_services.h"
#include "ui_tfrm_module.h"

namespace {

constexpr int kClientWidth = 680;
constexpr int kClientHeight = 614;

std::unique_ptr<Services> OwnServicesUnless(Services* injected) {
    return injected ? nullptr : std::make_unique<SystemServices>();
}

// Ctrl+Tab and Ctrl+Shift+Tab page through the tabs that are shown: a hidden page (tsFunction
// always, tsCommand and tsFirmware during a continuous test) is never shown. Qt's own paging
// skips only disabled tabs.
bool PageThroughShownTabs(QTabWidget& pages, const QKeyEvent& key) {
    const bool tab = key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
    if (!tab || !(key.modifiers() & Qt::ControlModifier)) {
        return false;
    }
    const bool back = key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier);
    const int count = pages.count();
    for (int step = 1; step < count; ++step) {
        const int index = (pages.currentIndex() + (back ? count - step : step)) % count;
        if (pages.isTabVisible(index) && pages.isTabEnabled(index)) {
            pages.setCurrentIndex(index);
            break;
        }
    }
    return true;
}

}  // namespace

TfrmModule::TfrmModule() : TfrmModule(Dependencies{}) {}

TfrmModule::TfrmModule(Dependencies dependencies, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TfrmModule>()),
      ownedServices_(OwnServicesUnless(dependencies.services)),
      services_(dependencies.services ? dependencies.services : ownedServices_.get()),
      dependencies_(std::move(dependencies)),
      settingsLocation_(dependencies_.settingsLocation.isEmpty() ? DefaultSettingsLocation()
                                                                 : dependencies_.settingsLocation),
      ctx_{*this, *services_, link_, state_} {
    // Controls with a style sheet of colours must still take the window font of each language.
    QCoreApplication::setAttribute(Qt::AA_UseStyleSheetPropagationInWidgetStyles);
    ui_->setupUi(this);
    gate_ = std::make_unique<InputGate>(*this);
    // The TCP connect waits up to 21 s: the window repaints and answers the desktop meanwhile.
    link_.SetWaitPump([this] { services_->KeepWindowAlive(); });
    CreateComponents();
    ConnectHandlers();
    FormCreate();
}

TfrmModule::~TfrmModule() {
    SetBusyCursor(false);
}

void TfrmModule::CreateComponents() {
    // Fixed client area below the menu bar, whatever height the menu bar takes in a language.
    ui_->centralWidget->setFixedSize(kClientWidth, kClientHeight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ui_->mnuFile->insertSeparator(ui_->mnuExit)->setObjectName(QStringLiteral("mnuLine1"));
    ui_->btnConnect->setDefault(true);
    ui_->pcMain->setTabVisible(ui_->pcMain->indexOf(ui_->tsFunction), false);
    ui_->pcMain->installEventFilter(this);
    // Narrow lists must show their longest item in the larger Chinese window fonts too.
    ui_->cmbModuleType->setStyleSheet(QStringLiteral("QComboBox { padding-left: 2px; }"));
    // The open alarm list keeps the closed box's colours; the box's own sheet inverts the
    // selected item.
    ui_->cmbAlarm->view()->setStyleSheet(
        QStringLiteral("QAbstractItemView { background-color: palette(highlight); color: yellow; }"
                       " QAbstractItemView::item { height: 29px; }"));
    // The memo's sheet leaves its viewport without a fill of its own, to let the memo's red show
    // through; the Windows style then paints the viewport with the theme's white edit background.
    // A sheet on the viewport has the style sheet paint it red itself.
    ui_->moFirmwareNote->viewport()->setStyleSheet(QStringLiteral("background-color: red;"));
    // Typed port names and speeds are used as typed, in their own case.
    for (QComboBox* list : {ui_->cmbPort, ui_->cmbBaudrate}) {
        list->completer()->setCaseSensitivity(Qt::CaseSensitive);
    }

    tmrBusy_ = new QTimer(this);
    tmrBusy_->setObjectName(QStringLiteral("tmrBusy"));
    tmrBusy_->setInterval(200);
    tmrClock_ = new QTimer(this);
    tmrClock_->setObjectName(QStringLiteral("tmrClock"));
    tmrClock_->setInterval(500);
    tmrClock_->start();
}

QFileDialog* TfrmModule::LoadDialog() {
    if (!dlgLoad_) {
        dlgLoad_ = new QFileDialog(this);
        dlgLoad_->setObjectName(QStringLiteral("dlgLoad"));
        dlgLoad_->setFileMode(QFileDialog::AnyFile);  // a missing file fails at the upgrade
        dlgLoad_->setAcceptMode(QFileDialog::AcceptOpen);
        dlgLoad_->setNameFilter(QStringLiteral("Firmware files (*.KXB)"));
    }
    return dlgLoad_;
}

void TfrmModule::ConnectHandlers() {
    const auto click = [this](QPushButton* button, void (TfrmModule::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    click(ui_->btnConnect, &TfrmModule::btnConnectClick);
    click(ui_->btnSetDate, &TfrmModule::btnSetDateClick);
    click(ui_->btnAlarm, &TfrmModule::btnAlarmClick);
    click(ui_->btnDIDO, &TfrmModule::btnDIDOClick);
    click(ui_->btnPooling, &TfrmModule::btnPoolingClick);
    click(ui_->btnInitial, &TfrmModule::btnInitialClick);
    click(ui_->btnReboot, &TfrmModule::btnRebootClick);
    click(ui_->btnFirmware, &TfrmModule::btnFirmwareClick);
    click(ui_->btnCommand, &TfrmModule::btnCommandClick);
    click(ui_->btnModuleCommand, &TfrmModule::btnModuleCommandClick);
    connect(tmrBusy_, &QTimer::timeout, this, &TfrmModule::tmrBusyTimer);
    connect(tmrClock_, &QTimer::timeout, this, &TfrmModule::tmrClockTimer);
    connect(ui_->mnuFirmwareFile, &QAction::triggered, this, &TfrmModule::mnuFirmwareFileClick);
    connect(ui_->mnuExit, &QAction::triggered, this, &TfrmModule::mnuExitClick);
    connect(ui_->mnuEnglish, &QAction::triggered, this, &TfrmModule::mnuEnglishClick);
    connect(ui_->mnuSimplified, &QAction::triggered, this, &TfrmModule::mnuSimplifiedClick);
    connect(ui_->mnuTraditional, &QAction::triggered, this, &TfrmModule::mnuTraditionalClick);
}

void TfrmModule::FormCreate() {
    const int storedType = LoadSettings(settingsLocation_, settings_);
    FillPortList();
    ui_->cmbPort->setEditText(settings_.link.portName);
    ui_->cmbBaudrate->setEditText(settings_.link.speed);
    ui_->edIP->setText(settings_.link.ip);
    ui_->edPort->setText(settings_.link.tcpPort);
    ui_->pnFile->setText(settings_.firmwareFile);
    const bool serial = storedType == 0;
    ui_->pcPort->setCurrentWidget(serial ? ui_->tsCom : ui_->tsNet);
    settings_.link.type = serial ? LinkType::Serial : LinkType::Network;
    ui_->pcMain->setEnabled(false);
}

void TfrmModule::FillPortList() {
    ui_->cmbPort->clear();
    const PortSource& source = dependencies_.portSource;
    const PortDetailSource& detailSource = dependencies_.portDetails;
    // Ports given without details have none; the system's come with theirs.
    const QList<PortDetails> details =
        detailSource ? detailSource() : (source ? QList<PortDetails>() : SystemPortDetails());
    QStringList names;
    for (const PortDetails& port : details) {
        names.append(port.name);
    }
    const QStringList items = PortListItems(source ? source() : names);
    ui_->cmbPort->addItems(items);
    const QStringList tooltips = PortItemTooltips(items, details);
    for (int row = 0; row < tooltips.size(); ++row) {
        ui_->cmbPort->setItemData(row, tooltips[row], Qt::ToolTipRole);
    }
    ui_->cmbPort->setCurrentIndex(0);
}

void TfrmModule::showEvent(QShowEvent* event) {
    if (!shown_) {
        shown_ = true;
        FormShow();
        layout()->activate();  // the language's menu font decides the height to centre
        if (const QScreen* desktop = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(desktop->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QMainWindow::showEvent(event);
}

void TfrmModule::closeEvent(QCloseEvent* event) {
    // While an operation keeps the window from input, a close request (the close box, Alt+F4)
    // has no effect, as on a platform where a disabled window takes no input.
    if (oneShotRunning_ || !isEnabled()) {
        event->ignore();
        return;
    }
    // During a continuous test the window stays open and the test goes on; the tool ends as soon
    // as the test has been stopped with its button.
    if (state_.testActive) {
        exitAsked_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TfrmModule::CloseIfExitAsked() {
    if (exitAsked_ && !state_.testActive) {
        exitAsked_ = false;
        close();
    }
}

bool TfrmModule::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->pcMain && event->type() == QEvent::KeyPress &&
        PageThroughShownTabs(*ui_->pcMain, *static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmModule::RunOneShot(const std::function<void()>& operation) {
    // From the click to the return the window takes no input (the operation disables it only
    // after its first event pump, and enables it before the ending's beep), and what was given
    // meanwhile is dropped before it takes input again: one run per burst of clicks.
    const QScopedValueRollback running(oneShotRunning_, true);
    const bool wasClosed = gate_->SetClosed(true);
    const auto reopen = qScopeGuard([&] { gate_->SetClosed(wasClosed); });
    operation();
    gate_->DiscardInputSentUpToNow();
}

void TfrmModule::ContinuousTestButtonClick(void (*click)(OperationContext&)) {
    // The cancel click, or a click while a cancelled run is ending: only the test sees it.
    if (state_.testActive) {
        click(ctx_);
        return;
    }
    click(ctx_);
    // Clicks still on their way when the test ended do not start it again.
    gate_->DiscardInputSentUpToNow();
    CloseIfExitAsked();
}

void TfrmModule::keyPressEvent(QKeyEvent* event) {
    // Enter reaches the window only when the focused control did not take it itself.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && ui_->btnConnect->isEnabled() &&
        focusWidget() != ui_->moFirmwareNote) {
        ui_->btnConnect->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TfrmModule::btnConnectClick() {
    RunOneShot([this] { RunConnect(ctx_); });
}
void TfrmModule::btnSetDateClick() {
    RunOneShot([this] { RunSetDateTime(ctx_); });
}
void TfrmModule::btnAlarmClick() {
    RunOneShot([this] { RunAlarmTest(ctx_); });
}
void TfrmModule::btnInitialClick() {
    RunOneShot([this] { RunServiceCommand(ctx_, ServiceCommand::Factory); });
}
void TfrmModule::btnRebootClick() {
    RunOneShot([this] { RunServiceCommand(ctx_, ServiceCommand::Reboot); });
}
void TfrmModule::btnFirmwareClick() {
    RunOneShot([this] { RunFirmwareUpgrade(ctx_, image_); });
}
void TfrmModule::btnCommandClick() {
    RunOneShot([this] { RunControllerConsole(ctx_); });
}
void TfrmModule::btnModuleCommandClick() {
    RunOneShot([this] { RunModuleConsole(ctx_); });
}
void TfrmModule::tmrBusyTimer() {
    BusyTimerTick(ctx_);
}

void TfrmModule::btnDIDOClick() {
    ContinuousTestButtonClick(&DidoTestClick);
}

void TfrmModule::btnPoolingClick() {
    ContinuousTestButtonClick(&PollingTestClick);
}

void TfrmModule::tmrClockTimer() {
    ui_->pnSetDate->setText(services_->Now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
}

void TfrmModule::mnuFirmwareFileClick() {
    QString path;
    if (dependencies_.chooseFirmwareFile) {
        path = dependencies_.chooseFirmwareFile();
    } else if (LoadDialog()->exec() == QDialog::Accepted && !dlgLoad_->selectedFiles().isEmpty()) {
        path = dlgLoad_->selectedFiles().constFirst();
    }
    if (!path.isEmpty()) {
        ChooseFirmwareFile(ctx_, path);
    }
}

void TfrmModule::mnuExitClick() {
    close();
}
