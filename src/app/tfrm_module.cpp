#include "tfrm_module.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>

#include "accessible_roles.h"
#include "continuous_tests.h"
#include "firmware_operations.h"
#include "input_gate.h"
#include "operation_frame.h"
#include "operations.h"
#include "settings_key.h"
#include "system_services.h"
#include "tab_paging.h"
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
    // Before any control exists: a screen reader may ask for one as soon as it is made.
    InstallAccessibleRoles();
    ui_->setupUi(this);
    paging_ =
        std::make_unique<TabPaging>(std::initializer_list<QTabWidget*>{ui_->pcMain, ui_->pcPort});
    // Made last, so that it sees input before the paging does.
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
    ShowTab(ui_->tsFunction, false);
    for (QPushButton* button :
         {ui_->btnConnect, ui_->btnSetDate, ui_->btnAlarm, ui_->btnInitial, ui_->btnReboot,
          ui_->btnFirmware, ui_->btnCommand, ui_->btnModuleCommand}) {
        button->installEventFilter(this);
    }
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
    // What a screen reader says of the lamps and the panels before any operation.
    SetLinkLamp(LampColor::Red);
    for (int input = 1; input <= 8; ++input) {
        SetInputLamp(input, LampColor::White);
    }
    ShowVersion({});
    ShowSerialNumber({});

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
    // Should anything still select a hidden page (a screen reader acts on its tab, which Qt
    // offers as if it were shown), the page shown before comes back.
    connect(ui_->pcMain, &QTabWidget::currentChanged, this, [this](int index) {
        if (ui_->pcMain->isTabEnabled(index)) {
            shownPage_ = index;
        } else {
            ui_->pcMain->setCurrentIndex(shownPage_);
        }
    });
}

void TfrmModule::FormCreate() {
    const int storedType = LoadSettings(settingsLocation_, settings_);
    FillPortList();
    ui_->cmbPort->setEditText(settings_.link.portName);
    ui_->cmbBaudrate->setEditText(settings_.link.speed);
    ui_->edIP->setText(settings_.link.ip);
    ui_->edPort->setText(settings_.link.tcpPort);
    ui_->pnFile->setText(QDir::toNativeSeparators(settings_.firmwareFile));
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
    // While the window takes no input, a close request (the close box, Alt+F4) has no effect, as
    // on a platform where a disabled window takes none.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    // One that comes while an operation still runs (a one-shot's ending beeps with the window
    // enabled; a continuous test runs until it is stopped with its button) takes effect once the
    // operation has returned.
    if (oneShotRunning_ || state_.testActive) {
        exitAsked_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TfrmModule::CloseIfExitAsked() {
    if (exitAsked_ && !state_.testActive && !oneShotRunning_) {
        exitAsked_ = false;
        close();
    }
}

bool TfrmModule::eventFilter(QObject* watched, QEvent* event) {
    // Installed on the one-shot buttons: the second press of a double click is no click, also when
    // the operation was so short that the window took input again before it came.
    if (event->type() == QEvent::MouseButtonDblClick) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmModule::RunOneShot(const std::function<void()>& operation) {
    // The gate keeps this from happening; should a click still come through, nothing starts.
    if (oneShotRunning_ || state_.testActive) {
        return;
    }
    {
        // From the click to the return the window takes no input (the operation disables it only
        // after its first event pump, and enables it before the ending's beep): one run per burst
        // of clicks.
        const QScopedValueRollback running(oneShotRunning_, true);
        gate_->RunClosed(operation);
    }
    CloseIfExitAsked();
}

void TfrmModule::ContinuousTestButtonClick(TestButton button) {
    if (oneShotRunning_) {
        return;
    }
    // The cancel click, or a click while a cancelled run is ending: only the running test's own
    // button reaches it.
    if (state_.testActive) {
        if (button == runningTest_) {
            ContinuousTestClick(ctx_, button);
        }
        return;
    }
    runningTest_ = button;
    // Clicks still on their way when the test ended do not start it again.
    gate_->RunOpen([&] { ContinuousTestClick(ctx_, button); });
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
    ContinuousTestButtonClick(TestButton::Dido);
}

void TfrmModule::btnPoolingClick() {
    ContinuousTestButtonClick(TestButton::Polling);
}

void TfrmModule::tmrClockTimer() {
    ui_->pnSetDate->setText(services_->Now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
}

void TfrmModule::mnuFirmwareFileClick() {
    const QString path =
        dependencies_.chooseFirmwareFile ? dependencies_.chooseFirmwareFile() : RunLoadDialog();
    if (!path.isEmpty()) {
        // Shown and stored as the platform writes paths; a stored path opens with either separator.
        ChooseFirmwareFile(ctx_, QDir::toNativeSeparators(path));
    }
}

QString TfrmModule::RunLoadDialog() {
    const bool accepted = LoadDialog()->exec() == QDialog::Accepted;
    // The dialog can leave its list of file name completions open; that would take the window's
    // next click and keys for itself, and cover what the window paints beneath it.
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close()) {
            break;
        }
    }
    // The keyboard comes back to the window at once, whether or not a window manager gives it.
    activateWindow();
    const QStringList chosen = dlgLoad_->selectedFiles();
    return accepted && !chosen.isEmpty() ? chosen.constFirst() : QString();
}

void TfrmModule::mnuExitClick() {
    close();
}
