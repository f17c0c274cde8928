#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
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

// A disabled window takes no clicks, on its buttons or on its menu bar.
TEST_F(WindowHost, DisabledWindowTakesNoClicks) {
    Start();
    Find<QComboBox>("cmbPort")->setEditText(configDir.filePath(QStringLiteral("no-such-port")));
    QSignalSpy connects(Find<QPushButton>("btnConnect"), &QPushButton::clicked);
    QMenuBar* menus = window->menuBar();
    const QPoint file = menus->actionGeometry(Find<QMenu>("mnuFile")->menuAction()).center();
    for (const bool enabled : {false, true}) {
        SCOPED_TRACE(enabled);
        window->SetWindowEnabled(enabled);
        QTest::mouseClick(menus, Qt::LeftButton, Qt::NoModifier, file);
        QWidget* popup = QApplication::activePopupWidget();
        EXPECT_EQ(popup == Find<QMenu>("mnuFile"), enabled);
        if (popup) {
            popup->close();
        }
        Click("btnConnect");
        EXPECT_EQ(connects.count(), enabled ? 1 : 0);
    }
}

// A lamp shows its colour as a filled circle; a lamp number out of range paints nothing.
TEST_F(WindowHost, LampsPaintTheirColour) {
    Start();
    window->SetMainPagesEnabled(true);
    ShowPage("tsTest");
    const auto centre = [this](const char* name) {
        auto* lamp = Find<QWidget>(name);
        const QImage image = lamp->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };
    window->SetLinkLamp(LampColor::Yellow);
    EXPECT_EQ(centre("shComm"), QColor(255, 255, 0));
    window->SetLinkLamp(LampColor::Red);
    EXPECT_EQ(centre("shComm"), QColor(255, 0, 0));
    window->SetInputLamp(8, LampColor::Red);
    window->SetInputLamp(9, LampColor::Yellow);
    window->SetInputLamp(0, LampColor::Yellow);
    EXPECT_EQ(centre("shDI8"), QColor(255, 0, 0));
    for (const char* name : {"shDI1", "shDI2", "shDI3", "shDI4", "shDI5", "shDI6", "shDI7"}) {
        EXPECT_EQ(centre(name), QColor(255, 255, 255)) << name;
    }
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

// The outputs to drive are the boxes the user ticked with the mouse.
TEST_F(WindowHost, OutputsAreTheBoxesTheUserTicked) {
    Start();
    window->SetMainPagesEnabled(true);
    ShowPage("tsTest");
    for (const char* box : {"chkDO2", "chkDO4"}) {
        QTest::mouseClick(Find<QCheckBox>(box), Qt::LeftButton);
    }
    EXPECT_EQ((std::vector<bool>{window->OutputTicked(0), window->OutputTicked(1),
                                 window->OutputTicked(2), window->OutputTicked(3),
                                 window->OutputTicked(4), window->OutputTicked(5)}),
              (std::vector<bool>{false, false, true, false, true, false}));
    window->UntickOutputs();
    for (const char* box : {"chkDO1", "chkDO2", "chkDO3", "chkDO4"}) {
        EXPECT_FALSE(Find<QCheckBox>(box)->isChecked()) << box;
    }
}

// The module controls are read as the form fills them and as the user picks.
TEST_F(WindowHost, CommandPageIsReadAsShown) {
    Start();
    window->SetMainPagesEnabled(true);
    ShowPage("tsCommand");
    EXPECT_EQ(window->ControllerCommand(), "AB");
    EXPECT_EQ(window->ModuleCommand(), "B");
    EXPECT_EQ(window->ModuleAddress(), "1");
    EXPECT_EQ(window->ModuleTypeRow(), 0);
    auto* id = Find<QComboBox>("cmbModuleId");
    id->setFocus();
    QTest::keyClick(id, Qt::Key_End);
    EXPECT_EQ(window->ModuleAddress(), "8");
    window->ShowModuleReply(
        QByteArray("\x03"
                   "0001B\x0D"));
    EXPECT_EQ(Find<QLineEdit>("edModuleCommandRecv")->text(), QStringLiteral(u"\u24030001B\u240D"));
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
