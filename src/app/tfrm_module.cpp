#include "tfrm_module.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QScreen>
#include <QTimer>

#include "firmware_operations.h"
#include "operation_frame.h"
#include "operations.h"
#include "system_services.h"
#include "ui_tfrm_module.h"

namespace {

constexpr int kClientWidth = 680;
constexpr int kClientHeight = 614;

std::unique_ptr<Services> OwnServicesUnless(Services* injected) {
    return injected ? nullptr : std::make_unique<SystemServices>();
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
    // Narrow lists must show their longest item in the larger Chinese window fonts too.
    ui_->cmbModuleType->setStyleSheet(QStringLiteral("QComboBox { padding-left: 2px; }"));
    // The open alarm list keeps the closed box's colours; the box's own sheet inverts the
    // selected item.
    ui_->cmbAlarm->view()->setStyleSheet(
        QStringLiteral("QAbstractItemView { background-color: palette(highlight); color: yellow; }"
                       " QAbstractItemView::item { height: 29px; }"));
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
    ui_->cmbPort->addItems(PortListItems(source ? source() : SystemPorts()));
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
    // A continuous test is stopped like its cancel click; the window closes once it has ended.
    if (state_.testRunning) {
        state_.testRunning = false;
        exitAsked_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TfrmModule::CloseIfExitAsked() {
    if (exitAsked_ && !state_.testRunning) {
        exitAsked_ = false;
        close();
    }
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
    RunConnect(ctx_);
}
void TfrmModule::btnSetDateClick() {
    RunSetDateTime(ctx_);
}
void TfrmModule::btnAlarmClick() {
    RunAlarmTest(ctx_);
}
void TfrmModule::btnInitialClick() {
    RunServiceCommand(ctx_, ServiceCommand::Factory);
}
void TfrmModule::btnRebootClick() {
    RunServiceCommand(ctx_, ServiceCommand::Reboot);
}
void TfrmModule::btnFirmwareClick() {
    RunFirmwareUpgrade(ctx_, image_);
}
void TfrmModule::btnCommandClick() {
    RunControllerConsole(ctx_);
}
void TfrmModule::btnModuleCommandClick() {
    RunModuleConsole(ctx_);
}
void TfrmModule::tmrBusyTimer() {
    BusyTimerTick(ctx_);
}

void TfrmModule::btnDIDOClick() {
    DidoTestClick(ctx_);
    CloseIfExitAsked();
}

void TfrmModule::btnPoolingClick() {
    PollingTestClick(ctx_);
    CloseIfExitAsked();
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
