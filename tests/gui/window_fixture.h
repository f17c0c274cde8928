#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "lamp_widget.h"
#include "support/recording_services.h"
#include "tfrm_module.h"

// The real window, offscreen, with a settings file in a temporary config folder, recorded pauses
// and beeps, and a port list of the test's choice. Prepare the file (WriteSettings) and the ports
// before Start().
class WindowFixture : public ::testing::Test {
protected:
    // One stored value: the name and its value as written in the file, e.g. "\"COM3\"" or
    // "dword:00000001".
    using StoredValue = std::pair<const char*, const char*>;

    void SetUp() override { ASSERT_TRUE(configDir.isValid()); }
    void TearDown() override { window.reset(); }

    QString SettingsPath() const {
        return configDir.filePath(QStringLiteral("VELMO/KR470QX-V5.reg"));
    }

    static QByteArray SettingsFileWith(const std::vector<StoredValue>& values) {
        QByteArray text =
            "Windows Registry Editor Version "
            "5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n";
        for (const auto& [name, value] : values) {
            text += QByteArray("\"") + name + "\"=" + value + "\n";
        }
        return text;
    }
    void WriteSettingsRaw(const QByteArray& content) {
        QDir().mkpath(QFileInfo(SettingsPath()).path());
        QFile file(SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void WriteSettings(const std::vector<StoredValue>& values) {
        WriteSettingsRaw(SettingsFileWith(values));
    }
    QByteArray ReadSettingsRaw() const {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void Start() {
        TfrmModule::Dependencies deps;
        deps.services = &services;
        deps.portSource = [this] { return ports; };
        deps.settingsLocation = SettingsPath();
        if (!useFileDialog) {
            deps.chooseFirmwareFile = [this] { return chosenFirmwareFile; };
        }
        window = std::make_unique<TfrmModule>(std::move(deps));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T = QWidget>
    T* Find(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << "no control " << name;
        return found;
    }
    QString TextOf(const char* labelName) const { return Find<QLabel>(labelName)->text(); }
    QString StatusText() const { return TextOf("pnMsg"); }
    QColor LampColor(const char* lampName = "shComm") const {
        return Find<LampWidget>(lampName)->fillColor();
    }
    // A click as the user makes it: nothing happens on a disabled control.
    void Click(const char* buttonName) {
        QTest::mouseClick(Find<QAbstractButton>(buttonName), Qt::LeftButton);
    }
    // Selects a page of pcPort or pcMain, whether or not its page control is enabled.
    void ShowPage(const char* pageName) {
        QWidget* page = Find<QWidget>(pageName);
        for (QWidget* up = page; up; up = up->parentWidget()) {
            if (auto* pages = qobject_cast<QTabWidget*>(up)) {
                pages->setCurrentWidget(page);
                return;
            }
        }
    }

    QTemporaryDir configDir;
    RecordingServices services;
    QStringList ports{QStringLiteral("COM1")};
    QString chosenFirmwareFile;  // what the file dialog returns; empty means cancelled
    bool useFileDialog = false;  // true: the window's own dlgLoad, driven by the test
    std::unique_ptr<TfrmModule> window;
};
