#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "gui/window_fixture.h"

namespace {

using WindowStartup = WindowFixture;

TEST_F(WindowStartup, FirstShowIsReadyToConnect) {
    Start();
    EXPECT_EQ(window->windowTitle(), "KR470QX-V5 Tools V1.00");
    EXPECT_EQ(StatusText(), "Start connect device");
    EXPECT_EQ(LampColor(), QColor(255, 0, 0));
    EXPECT_EQ(TextOf("pnVER"), "");
    EXPECT_EQ(TextOf("pnSN"), "");
    EXPECT_EQ(TextOf("pnSetDate"), "2001/01/01 12:00:00");

    auto* pcMain = Find<QTabWidget>("pcMain");
    EXPECT_FALSE(pcMain->isEnabled());
    EXPECT_EQ(pcMain->currentWidget(), Find<QWidget>("tsTest"));
    EXPECT_FALSE(pcMain->isTabVisible(pcMain->indexOf(Find<QWidget>("tsFunction"))));
    EXPECT_TRUE(Find<QWidget>("pcPort")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("btnConnect")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("btnConnect")->isDefault());

    EXPECT_TRUE(window->ClockTimer()->isActive());
    EXPECT_EQ(window->ClockTimer()->interval(), 500);
    EXPECT_FALSE(window->BusyTimer()->isActive());
    EXPECT_EQ(window->BusyTimer()->interval(), 200);
}

TEST_F(WindowStartup, ClientAreaIsFixedBelowTheMenuBar) {
    Start();
    EXPECT_EQ(window->centralWidget()->size(), QSize(680, 614));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->height(), 614 + window->menuBar()->height());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    const QPoint offCentre =
        window->frameGeometry().center() - window->screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    // A taller menu font must not take room from the client area.
    window->mnuTraditionalClick();
    QApplication::processEvents();
    EXPECT_EQ(window->centralWidget()->size(), QSize(680, 614));
    EXPECT_EQ(window->height(), 614 + window->menuBar()->height());
}

TEST_F(WindowStartup, FileMenuHoldsTheFirmwareFileALineAndExit) {
    Start();
    const QList<QAction*> items = Find<QMenu>("mnuFile")->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0], Find<QAction>("mnuFirmwareFile"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[1]->objectName(), "mnuLine1");
    EXPECT_EQ(items[2], Find<QAction>("mnuExit"));
    EXPECT_EQ(items[2]->text(), "E&xit");
}

TEST_F(WindowStartup, ClockPanelShowsTheComputersClock) {
    Start();
    services.now = QDateTime(QDate(2007, 6, 23), QTime(14, 5, 9));
    window->tmrClockTimer();
    EXPECT_EQ(TextOf("pnSetDate"), "2007/06/23 14:05:09");
    services.now = QDateTime(QDate(2026, 1, 2), QTime(9, 3, 4));
    window->tmrClockTimer();
    EXPECT_EQ(TextOf("pnSetDate"), "2026/01/02 09:03:04");
}

}  // namespace
