#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>

#include "gui/window_fixture.h"

namespace {

using WindowHost = WindowFixture;

TEST_F(WindowHost, BusyCursorStaysBalanced) {
    Start();
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    window->SetBusyCursor(true);
    window->SetBusyCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    window->SetBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Someone else's cursor is not ours to take back.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    window->SetBusyCursor(false);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    QApplication::restoreOverrideCursor();
    // A window closed while busy takes its cursor with it.
    window->SetBusyCursor(true);
    window.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowHost, WindowDisabledWithItsMenu) {
    Start();
    window->SetWindowEnabled(false);
    EXPECT_FALSE(window->menuBar()->isEnabled());
    EXPECT_FALSE(Find<QWidget>("btnConnect")->isEnabled());
    window->SetWindowEnabled(true);
    EXPECT_TRUE(window->menuBar()->isEnabled());
}

TEST_F(WindowHost, RunningTestDisablesTheOtherOperations) {
    struct Case {
        TestButton running;
        const char* stays;
        const char* other;
    };
    Start();
    window->SetMainPagesEnabled(true);
    const char* always[] = {"btnConnect", "btnReboot", "btnInitial", "btnSetDate", "btnAlarm"};
    for (const Case& c : {Case{TestButton::Dido, "btnDIDO", "btnPooling"},
                          Case{TestButton::Polling, "btnPooling", "btnDIDO"}}) {
        window->SetOtherOperationsEnabled(c.running, false);
        for (const char* name : always) {
            EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
        }
        EXPECT_FALSE(Find<QWidget>(c.other)->isEnabled());
        EXPECT_TRUE(Find<QWidget>(c.stays)->isEnabled());
        window->SetOtherOperationsEnabled(c.running, true);
        for (const char* name : always) {
            EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
        }
        EXPECT_TRUE(Find<QWidget>(c.other)->isEnabled());
    }
}

TEST_F(WindowHost, HidingTabsNeverShowsTheFunctionTab) {
    Start();
    auto* pcMain = Find<QTabWidget>("pcMain");
    const auto visible = [&](const char* page) {
        return pcMain->isTabVisible(pcMain->indexOf(Find<QWidget>(page)));
    };
    window->SetCommandAndFirmwareTabsVisible(false);
    EXPECT_FALSE(visible("tsCommand"));
    EXPECT_FALSE(visible("tsFirmware"));
    EXPECT_TRUE(visible("tsTest"));
    window->SetCommandAndFirmwareTabsVisible(true);
    EXPECT_TRUE(visible("tsCommand"));
    EXPECT_TRUE(visible("tsFirmware"));
    EXPECT_FALSE(visible("tsFunction"));
}

// Ctrl+Tab and Ctrl+Shift+Tab from a control on a page page through the tabs shown only.
TEST_F(WindowHost, CtrlTabSkipsHiddenPages) {
    Start();
    auto* pcMain = Find<QTabWidget>("pcMain");
    pcMain->setEnabled(true);
    const auto page = [&](Qt::KeyboardModifiers modifiers) {
        QWidget* focus = pcMain->currentWidget()->findChildren<QWidget*>().value(0, pcMain);
        QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier | modifiers);
        return pcMain->currentWidget()->objectName();
    };
    EXPECT_EQ(page(Qt::NoModifier), "tsFirmware");
    EXPECT_EQ(page(Qt::NoModifier), "tsCommand");
    EXPECT_EQ(page(Qt::NoModifier), "tsTest");
    EXPECT_EQ(page(Qt::ShiftModifier), "tsCommand");
    EXPECT_EQ(page(Qt::ShiftModifier), "tsFirmware");
    EXPECT_EQ(page(Qt::ShiftModifier), "tsTest");
    window->SetCommandAndFirmwareTabsVisible(false);  // as during a continuous test
    EXPECT_EQ(page(Qt::NoModifier), "tsTest");
    EXPECT_EQ(page(Qt::ShiftModifier), "tsTest");
}

TEST_F(WindowHost, LampsOutputsAndReplies) {
    Start();
    window->SetLinkLamp(LampColor::Yellow);
    EXPECT_EQ(LampColor(), QColor(255, 255, 0));
    window->SetInputLamp(8, LampColor::Red);
    window->SetInputLamp(9, LampColor::Red);  // no such lamp: ignored
    EXPECT_EQ(LampColor("shDI8"), QColor(255, 0, 0));
    EXPECT_EQ(LampColor("shDI1"), QColor(255, 255, 255));

    Find<QCheckBox>("chkDO2")->setChecked(true);
    Find<QCheckBox>("chkDO4")->setChecked(true);
    EXPECT_EQ((std::vector<bool>{window->OutputTicked(1), window->OutputTicked(2),
                                 window->OutputTicked(3), window->OutputTicked(4),
                                 window->OutputTicked(5)}),
              (std::vector<bool>{false, true, false, true, false}));
    window->UntickOutputs();
    EXPECT_FALSE(window->OutputTicked(2) || window->OutputTicked(4));

    window->ShowModuleReply(
        QByteArray("\x03"
                   "0001B\x0D"));
    EXPECT_EQ(Find<QLineEdit>("edModuleCommandRecv")->text(), QStringLiteral(u"\u24030001B\u240D"));
    Find<QComboBox>("cmbModuleId")->setCurrentIndex(7);
    EXPECT_EQ(window->ModuleAddress(), "8");
    EXPECT_EQ(window->ControllerCommand(), "AB");
    EXPECT_EQ(window->ModuleCommand(), "B");
}

// Enter presses btnConnect unless the focused control takes it itself.
TEST_F(WindowHost, EnterPressesTheDefaultButton) {
    Start();
    window->SetMainPagesEnabled(true);
    Find<QComboBox>("cmbPort")->setEditText(configDir.filePath(QStringLiteral("no-such-port")));
    QSignalSpy connect(Find<QPushButton>("btnConnect"), &QPushButton::clicked);
    QSignalSpy setDate(Find<QPushButton>("btnSetDate"), &QPushButton::clicked);

    ShowPage("tsNet");
    ShowPage("tsCom");
    QTest::keyClick(Find<QComboBox>("cmbPort")->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(connect.count(), 1);
    QCheckBox* box = Find<QCheckBox>("chkDO1");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Enter);
    EXPECT_EQ(connect.count(), 2);
    window->SetMainPagesEnabled(true);  // the failed connects locked the pages again
    QPushButton* other = Find<QPushButton>("btnSetDate");
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Return);
    EXPECT_EQ(connect.count(), 2);
    EXPECT_EQ(setDate.count(), 1);
}

}  // namespace
