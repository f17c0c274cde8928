#include <QApplication>
#include <QTimer>

#include "failure_text_table.h"
#include "input_gate.h"
#include "lamp_widget.h"
#include "reply_display.h"
#include "reply_fields.h"
#include "tfrm_module.h"
#include "ui_tfrm_module.h"

namespace {

QColor ColorOf(LampColor color) {
    switch (color) {
        case LampColor::Red:
            return QColor(255, 0, 0);
        case LampColor::Yellow:
            return QColor(255, 255, 0);
        case LampColor::White:
            break;
    }
    return QColor(255, 255, 255);
}

QString ColorName(LampColor color) {
    switch (color) {
        case LampColor::Red:
            return QStringLiteral("red");
        case LampColor::Yellow:
            return QStringLiteral("yellow");
        case LampColor::White:
            break;
    }
    return QStringLiteral("white");
}

// What a screen reader says of a panel that has no label beside it: what it is, then what it shows.
QString NamedValue(const char* what, const QString& value) {
    const QString name = QString::fromLatin1(what);
    return value.isEmpty() ? name : name + QStringLiteral(": ") + value;
}

// As rich text a tooltip wraps, so a long explanation stays beside the window; wide enough that
// a command stays on one line.
QString WrappingTooltip(const QString& text) {
    if (text.isEmpty()) {
        return text;
    }
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<table width=\"520\"><tr><td>%1</td></tr></table>").arg(html);
}

}  // namespace

void TfrmModule::ShowStatus(const QString& text) {
    // Why a link did not come up belongs to the status that says so, and to no other.
    if (text != Text(TextId::ConnectDeviceError)) {
        ShowOpenFailure(OpenFailure{});
    }
    ui_->pnMsg->setText(text);
}

void TfrmModule::ShowOpenFailure(const OpenFailure& failure) {
    ui_->pnMsg->setToolTip(WrappingTooltip(FailureTooltip(failure, settings_.language)));
}

void TfrmModule::SetLinkLamp(LampColor color) {
    ui_->shComm->setFillColor(ColorOf(color));
    ui_->shComm->setAccessibleName(QStringLiteral("Link: ") + ColorName(color));
}

void TfrmModule::SetBusyCursor(bool hourglass) {
    // One override cursor of ours at most, so that it is always taken back.
    if (hourglass && !cursorPushed_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (!hourglass && cursorPushed_) {
        QApplication::restoreOverrideCursor();
    } else {
        return;
    }
    cursorPushed_ = hourglass;
}

void TfrmModule::SetWindowEnabled(bool enabled) {
    setEnabled(enabled);
}

void TfrmModule::SetBusyTimerRunning(bool running) {
    if (running) {
        tmrBusy_->start();
    } else {
        tmrBusy_->stop();
    }
}

LinkSettings TfrmModule::TakePortPageSettings() {
    LinkSettings& link = settings_.link;
    if (ui_->pcPort->currentWidget() == ui_->tsCom) {
        link.type = LinkType::Serial;
        link.portName = ui_->cmbPort->currentText();
        link.speed = ui_->cmbBaudrate->currentText();
    } else {
        link.type = LinkType::Network;
        link.ip = ui_->edIP->text();
        link.tcpPort = ui_->edPort->text();
    }
    return link;
}

void TfrmModule::SetMainPagesEnabled(bool enabled) {
    ui_->pcMain->setEnabled(enabled);
}
void TfrmModule::ShowVersion(const QString& text) {
    ui_->pnVER->setText(text);
    ui_->pnVER->setAccessibleName(NamedValue("Version", text));
}
void TfrmModule::ShowSerialNumber(const QString& serial) {
    const QString text = serial.isEmpty() ? QString() : SerialPanelText(serial, state_.deviceId);
    ui_->pnSN->setText(text);
    ui_->pnSN->setAccessibleName(NamedValue("Serial number and ID", text));
}

void TfrmModule::SaveLinkSettings() {
    // A store that cannot be written takes nothing, not even the page's texts.
    if (!SettingsWritable(settingsLocation_)) {
        return;
    }
    TakePortPageSettings();
    ::SaveLinkSettings(settingsLocation_, settings_);
}

QString TfrmModule::ControllerCommand() const {
    return ui_->edCommandSend->text();
}

void TfrmModule::ShowControllerReply(const QByteArray& reply) {
    ui_->edCommandRecv->setText(ReplyDisplayText(reply));
}

int TfrmModule::ModuleTypeRow() const {
    return ui_->cmbModuleType->currentIndex();
}
QString TfrmModule::ModuleAddress() const {
    return ui_->cmbModuleId->currentText();
}
QString TfrmModule::ModuleCommand() const {
    return ui_->edModuleCommandSend->text();
}

void TfrmModule::ShowModuleReply(const QByteArray& reply) {
    ui_->edModuleCommandRecv->setText(ReplyDisplayText(reply));
}

QPushButton* TfrmModule::TestButtonWidget(TestButton button) const {
    return button == TestButton::Dido ? ui_->btnDIDO : ui_->btnPooling;
}

QString TfrmModule::TestButtonCaption(TestButton button) const {
    return TestButtonWidget(button)->text();
}

void TfrmModule::SetTestButtonCaption(TestButton button, const QString& caption) {
    TestButtonWidget(button)->setText(caption);
}

void TfrmModule::SetOtherOperationsEnabled(TestButton running, bool enabled) {
    const TestButton other = running == TestButton::Dido ? TestButton::Polling : TestButton::Dido;
    for (QPushButton* button : {ui_->btnConnect, ui_->btnReboot, ui_->btnInitial, ui_->btnSetDate,
                                ui_->btnAlarm, TestButtonWidget(other)}) {
        button->setEnabled(enabled);
    }
}

void TfrmModule::SetCommandAndFirmwareTabsVisible(bool visible) {
    ShowTab(ui_->tsCommand, visible);
    ShowTab(ui_->tsFirmware, visible);
}

// No key, click or wheel reaches a hidden page, nor do its controls take input: Qt steps over
// disabled tabs only, and a disabled tab disables its page.
void TfrmModule::ShowTab(QWidget* page, bool shown) {
    const int index = ui_->pcMain->indexOf(page);
    ui_->pcMain->setTabVisible(index, shown);
    ui_->pcMain->setTabEnabled(index, shown);
}

bool TfrmModule::OutputTicked(int output) const {
    const QCheckBox* boxes[] = {ui_->chkDO1, ui_->chkDO2, ui_->chkDO3, ui_->chkDO4};
    return output >= 1 && output <= 4 && boxes[output - 1]->isChecked();
}

void TfrmModule::UntickOutputs() {
    for (QCheckBox* box : {ui_->chkDO1, ui_->chkDO2, ui_->chkDO3, ui_->chkDO4}) {
        box->setChecked(false);
    }
}

LampWidget* TfrmModule::InputLamp(int input) const {
    LampWidget* lamps[] = {ui_->shDI1, ui_->shDI2, ui_->shDI3, ui_->shDI4,
                           ui_->shDI5, ui_->shDI6, ui_->shDI7, ui_->shDI8};
    return input >= 1 && input <= 8 ? lamps[input - 1] : nullptr;
}

void TfrmModule::SetInputLamp(int input, LampColor color) {
    if (LampWidget* lamp = InputLamp(input)) {
        lamp->setFillColor(ColorOf(color));
        // The DI captions stay English in every language, and so does what is said of them.
        lamp->setAccessibleName(
            QStringLiteral("DI%1: %2").arg(input).arg(color == LampColor::Yellow ? "on" : "off"));
    }
}

void TfrmModule::ShowPolledClock(const QString& text) {
    ui_->pnPoolingDate->setText(text);
}
void TfrmModule::ShowPolledRecord(const QString& text) {
    ui_->pnPoolingData->setText(text);
}
int TfrmModule::AlarmIndex() const {
    return ui_->cmbAlarm->currentIndex();
}
QString TfrmModule::FirmwareFilePath() const {
    return settings_.firmwareFile;
}

void TfrmModule::SetFirmwareFilePath(const QString& path) {
    settings_.firmwareFile = path;
    SaveFirmwareFile(settingsLocation_, settings_);
    ui_->pnFile->setText(path);
}

void TfrmModule::SetProgressMaximum(ProgressBar bar, int maximum) {
    (bar == ProgressBar::Program ? ui_->pbProgram : ui_->pbVerify)->setMaximum(maximum);
}

void TfrmModule::SetProgressPosition(ProgressBar bar, int position) {
    (bar == ProgressBar::Program ? ui_->pbProgram : ui_->pbVerify)->setValue(position);
}
