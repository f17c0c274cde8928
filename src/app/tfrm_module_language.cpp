#include <QFontInfo>
#include <QPalette>
#include <QTabBar>

#include "language_font.h"
#include "tfrm_module.h"
#include "ui_tfrm_module.h"

void TfrmModule::FormShow() {
    ApplyLanguageFont();
    ui_->mnuEnglish->setChecked(settings_.language == Language::English);
    ui_->mnuSimplified->setChecked(settings_.language == Language::ChineseGB);
    ui_->mnuTraditional->setChecked(settings_.language == Language::ChineseBIG5);
    SetCaptions();
}

void TfrmModule::ApplyLanguageFont() {
    // Controls with a font of their own keep it; the rest follow the window.
    setFont(LanguageWindowFont(settings_.language, font()));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, LanguageFontColor(settings_.language));
    setPalette(colours);
    FitTabsToFont();
}

// The CJK faces that stand in for the Chinese window fonts have a line height of about 1.45 em,
// which makes tabs so tall that the port page no longer holds its second row. The tabs keep the
// height that the font's em gives them, as the fonts the layout was made for do.
void TfrmModule::FitTabsToFont() {
    for (QTabWidget* pages : {ui_->pcPort, ui_->pcMain}) {
        QTabBar* tabs = pages->tabBar();
        tabs->setStyleSheet({});
        const int natural = tabs->sizeHint().height();
        const int extra = tabs->fontMetrics().height() - QFontInfo(tabs->font()).pixelSize();
        if (extra > 0) {
            tabs->setStyleSheet(
                QStringLiteral("QTabBar::tab { height: %1px; }").arg(natural - extra));
        }
    }
}

void TfrmModule::SetCaptions() {
    Ui::TfrmModule& ui = *ui_;
    const auto tab = [](QTabWidget* pages, QWidget* page, const QString& text) {
        pages->setTabText(pages->indexOf(page), text);
    };
    setWindowTitle(Text(TextId::WindowCaption));
    ui.mnuLanguage->setTitle(Text(TextId::MenuLanguage));
    ui.mnuEnglish->setText(TextTable::LanguageItem(Language::English));
    ui.mnuSimplified->setText(TextTable::LanguageItem(Language::ChineseGB));
    ui.mnuTraditional->setText(TextTable::LanguageItem(Language::ChineseBIG5));
    ui.mnuFile->setTitle(Text(TextId::MenuFile));
    ui.mnuFirmwareFile->setText(Text(TextId::MenuFirmwareFile));
    ui.mnuExit->setText(Text(TextId::MenuExit));
    tab(ui.pcPort, ui.tsNet, Text(TextId::PageNet));
    tab(ui.pcPort, ui.tsCom, Text(TextId::PageCom));
    ui.lblPort->setText(Text(TextId::Port));
    ui.lblNetPort->setText(Text(TextId::Port));
    ui.lblSpeed->setText(Text(TextId::Speed));
    tab(ui.pcMain, ui.tsTest, Text(TextId::BasicTest));
    tab(ui.pcMain, ui.tsCommand, Text(TextId::CommandTestPage));
    tab(ui.pcMain, ui.tsFunction, Text(TextId::FunctionTest));
    tab(ui.pcMain, ui.tsFirmware, Text(TextId::FirmwareUpgrade));
    ui.btnConnect->setText(Text(TextId::ConnectDevice));
    ui.btnDIDO->setText(Text(TextId::DidoTest));
    ui.btnPooling->setText(Text(TextId::PoolingDataTest));
    ui.btnInitial->setText(Text(TextId::SetFactory));
    ui.btnReboot->setText(Text(TextId::SetReboot));
    // As a status: the tooltip of a failed connect goes with the status that said so.
    ShowStatus(Text(TextId::StartConnectDevice));
    ui.lblCommandSend->setText(Text(TextId::SendCommand));
    ui.lblCommandRecv->setText(Text(TextId::ReceiveData));
    ui.btnCommand->setText(Text(TextId::CommandTestButton));
    ui.lblModuleCommandSend->setText(Text(TextId::SendCommand));
    ui.lblModuleCommandRecv->setText(Text(TextId::ReceiveData));
    ui.btnModuleCommand->setText(Text(TextId::CommandTestButton));
    ui.gbModule->setTitle(Text(TextId::ModuleCommandTest));
    ui.gbController->setTitle(Text(TextId::ControllerCommandTest));
    ui.lblModuleType->setText(Text(TextId::Type));
    ui.btnSetDate->setText(Text(TextId::SetDateAndTime));
    ui.btnAlarm->setText(Text(TextId::AlarmTest));
    ui.pnFirmwareNote->setText(Text(TextId::Note));
    ui.moFirmwareNote->setPlainText(Text(TextId::FirmwareNote));
    ui.btnFirmware->setText(Text(TextId::FirmwareLoad));
}

void TfrmModule::SetLanguage(Language language, const char* flag) {
    settings_.language = language;
    settings_.languageFlag = QString::fromLatin1(flag);
    SaveLanguage(settingsLocation_, settings_);
    FormShow();
}

void TfrmModule::mnuEnglishClick() {
    SetLanguage(Language::English, "English");
}
void TfrmModule::mnuSimplifiedClick() {
    SetLanguage(Language::ChineseGB, "ChineseGB");
}
void TfrmModule::mnuTraditionalClick() {
    SetLanguage(Language::ChineseBIG5, "ChineseBIG5");
}

QString TfrmModule::Text(TextId id) const {
    return TextTable::Text(id, settings_.language);
}
