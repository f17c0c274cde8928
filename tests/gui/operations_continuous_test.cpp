#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include "gui/operations_fixture.h"

namespace {

using namespace std::chrono_literals;

struct TestKind {
    const char* button;
    const char* other;
    const char* caption;
};
const TestKind kDido{"btnDIDO", "btnPooling", "DIDO test"};
const TestKind kPolling{"btnPooling", "btnDIDO", "Pooling data test"};

class ContinuousTest : public OperationsFixture {
protected:
    void ConnectOver(Over over = Over::Tcp) {
        StartAgainstSim(over);
        Connected();
        ShowPage("tsTest");
    }
    QCheckBox* Box(int output) const {
        return Find<QCheckBox>(("chkDO" + std::to_string(output)).c_str());
    }
    std::vector<QColor> Lamps() const {
        std::vector<QColor> colors;
        for (int input = 1; input <= 8; ++input) {
            colors.push_back(LampColor(("shDI" + std::to_string(input)).c_str()));
        }
        return colors;
    }
    static std::vector<QColor> LampsFrom(const char* states) {
        std::vector<QColor> colors;
        for (const char* s = states; *s; ++s) {
            colors.push_back(*s == 'Y' ? Yellow() : White());
        }
        return colors;
    }
    // Clicks the test's button again at its n-th pause of 20 ms, after letting check run.
    void CancelAtPause(const char* button, int n, std::function<void()> check = {}) {
        auto seen = std::make_shared<int>(0);
        services.onPause = [this, button, n, seen, check](std::chrono::milliseconds duration) {
            if (duration == 20ms && ++*seen == n) {
                if (check) {
                    check();
                }
                Click(button);
            }
        };
    }
    void ExpectIdleAfter(const TestKind& kind) {
        EXPECT_EQ(StatusText(), "Command ok.");
        EXPECT_EQ(LampColor(), Yellow());
        EXPECT_EQ(services.beeps, std::vector<Beep>({High()}));
        EXPECT_EQ(Lamps(), LampsFrom("WWWWWWWW"));
        for (int output = 1; output <= 4; ++output) {
            EXPECT_FALSE(Box(output)->isChecked()) << output;
        }
        EXPECT_EQ(Find<QPushButton>(kind.button)->text(), kind.caption);
        EXPECT_TRUE(Enabled(kind.other));
        EXPECT_TRUE(Enabled("btnConnect"));
        EXPECT_TRUE(TabVisible("tsCommand"));
        EXPECT_TRUE(TabVisible("tsFirmware"));
        EXPECT_FALSE(window->Context().state.testRunning);
        EXPECT_FALSE(window->BusyTimer()->isActive());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
};

TEST_F(ContinuousTest, CancelInTheMiddleFinishesTheCycle) {
    struct Case {
        TestKind kind;
        QStringList sent;
    };
    const Case cases[] = {
        {kDido, {"0001JC00210002", "0001JC00410002", "0001DG0", "0001JD"}},
        {kPolling, {"0001JC00210002", "0001JC00410002", "0001DG0", "0001PI", "0001IB", "0001JD"}},
    };
    ConnectOver();
    sim->WithModel([](sim::ControllerModel& model) { model.SetInput(1, true); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind.button);
        Forget();
        sim->WithModel([](sim::ControllerModel& model) { model.PushRecord({}); });
        Box(2)->setChecked(true);
        Box(4)->setChecked(true);
        CancelAtPause(c.kind.button, 1, [&] {
            EXPECT_EQ(Find<QPushButton>(c.kind.button)->text(), "Cancel test");
            EXPECT_FALSE(Enabled(c.kind.other));
            EXPECT_FALSE(Enabled("btnConnect"));
            EXPECT_FALSE(TabVisible("tsCommand"));
            EXPECT_FALSE(TabVisible("tsFirmware"));
            EXPECT_TRUE(window->isEnabled());
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(StatusText(), "DIDO test");
        });
        Click(c.kind.button);
        EXPECT_EQ(Commands(), c.sent);
        ExpectIdleAfter(c.kind);
    }
}

// While a test runs, clicks on the other operations and on the hidden tabs do nothing: only the
// test's own commands reach the controller, and the Test page stays in front.
TEST_F(ContinuousTest, ClicksOnOtherOperationsAndHiddenTabsDoNothing) {
    ConnectOver();
    auto* pcMain = Find<QTabWidget>("pcMain");
    QTabBar* tabs = pcMain->tabBar();
    const QPoint firmwareTab = tabs->tabRect(pcMain->indexOf(Find<QWidget>("tsFirmware"))).center();
    const QPoint commandTab = tabs->tabRect(pcMain->indexOf(Find<QWidget>("tsCommand"))).center();
    for (const TestKind& kind : {kDido, kPolling}) {
        SCOPED_TRACE(kind.button);
        Forget();
        CancelAtPause(kind.button, 1, [&] {
            for (const char* other :
                 {"btnConnect", "btnReboot", "btnInitial", "btnSetDate", "btnAlarm", kind.other}) {
                Click(other);
            }
            QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, firmwareTab);
            QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, commandTab);
            EXPECT_EQ(pcMain->currentWidget(), Find<QWidget>("tsTest"));
        });
        Click(kind.button);
        const QStringList sent = Commands();
        EXPECT_EQ(sent.filter("AR").size() + sent.filter("AA").size() + sent.filter("JF").size() +
                      sent.filter("AC").size(),
                  0)
            << sent.join(' ').toStdString();
        EXPECT_EQ(sent.filter("JD").size(), 1);
        EXPECT_EQ(sent.filter("PI").size(), kind.button == std::string("btnPooling") ? 1 : 0);
        ExpectIdleAfter(kind);
        // The tabs come back, and the Function page still has none.
        EXPECT_EQ(pcMain->currentWidget(), Find<QWidget>("tsTest"));
        EXPECT_FALSE(TabVisible("tsFunction"));
    }
}

// Should a click on another operation still come through while a test runs, nothing starts: the
// test keeps its link, runs on and ends as it would; the other test's button does not stop it.
TEST_F(ContinuousTest, NoOtherOperationStartsWhileATestRuns) {
    ConnectOver();
    CancelAtPause("btnDIDO", 2, [&] {
        window->btnCommandClick();
        window->btnConnectClick();
        window->btnPoolingClick();
    });
    Click("btnDIDO");
    EXPECT_EQ(Commands(), QStringList({"0001DG0", "0001DG0", "0001JD"}));
    ExpectIdleAfter(kDido);
}

TEST_F(ContinuousTest, ClickWhileACancelledRunEndsStartsNothing) {
    ConnectOver();
    Box(1)->setChecked(true);
    int clicks = 0;
    // Cancel, then click once more while the run is still ending; a run started inside it would
    // be cancelled at once, so that a wrong build ends too.
    services.onProcessEvents = [&] {
        if (!window->isEnabled()) {
            return;
        }
        if (clicks < 2 && window->Context().state.testActive) {
            ++clicks;
            Click("btnDIDO");
        } else if (window->Context().state.testRunning) {
            Click("btnDIDO");
        }
    };
    Click("btnDIDO");
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(Commands(), QStringList({"0001JD"}));
    ExpectIdleAfter(kDido);
}

TEST_F(ContinuousTest, CancelBeforeTheFirstCycleStillEnds) {
    ConnectOver();
    for (const TestKind& kind : {kDido, kPolling}) {
        SCOPED_TRACE(kind.button);
        Forget();
        Box(1)->setChecked(true);
        bool clicked = false;
        services.onProcessEvents = [&] {
            if (!clicked) {
                clicked = true;
                Click(kind.button);
            }
        };
        Click(kind.button);
        EXPECT_EQ(Commands(), QStringList({"0001JD"}));
        ExpectIdleAfter(kind);
    }
}

// Exit while the DIDO test runs against a controller: the window stays while the test does,
// and goes once the test has run its end sequence, whichever click ended it.
TEST_F(ContinuousTest, ExitDuringTheDidoTestClosesTheWindowOnceTheTestHasEnded) {
    ConnectOver();
    Forget();
    int cycles = 0;
    bool stayedAtExit = false;
    services.onPause = [&](std::chrono::milliseconds duration) {
        if (duration != 20ms) {
            return;
        }
        if (++cycles == 1) {
            window->mnuExitClick();
            stayedAtExit = window->isVisible() && window->Context().state.testActive;
        } else if (cycles == 3) {
            Click("btnDIDO");
        }
    };
    Click("btnDIDO");
    EXPECT_TRUE(stayedAtExit);
    EXPECT_FALSE(window->isVisible());
    ASSERT_FALSE(Commands().isEmpty());
    EXPECT_EQ(Commands().last(), "0001JD");
    EXPECT_EQ(StatusText(), "Command ok.");
    EXPECT_FALSE(window->Context().link.IsOpen());
}

TEST_F(ContinuousTest, InputLampsOnlyFromTwentyNineCharacters) {
    struct Case {
        QByteArray inputs;
        int replyLength;
        const char* lamps;  // after the second cycle; the first one showed DI2 alone
    };
    const Case cases[] = {
        {"10100000", 29, "YWYWWWWW"},
        {"2A01x1 0", 29, "WWWYWYWW"},
        {"11111111", 28, "WYWWWWWW"},
        {"11111111", 30, "WYWWWWWW"},
    };
    ConnectOver();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputs.constData() + std::to_string(c.replyLength));
        sim->ClearScripts();
        sim->WithModel([](sim::ControllerModel& model) {
            for (int input = 1; input <= 8; ++input) {
                model.SetInput(input, input == 2);
            }
        });
        const QByteArray body = BodyOfLength(c.replyLength, "0001DG" + c.inputs);
        std::vector<QColor> afterFirst;
        std::vector<QColor> afterSecond;
        services.onPause = [&](std::chrono::milliseconds) {
            if (afterFirst.empty()) {
                afterFirst = Lamps();
                Script("DG", body);
            } else {
                afterSecond = Lamps();
                Click("btnDIDO");
            }
        };
        Click("btnDIDO");
        EXPECT_EQ(afterFirst, LampsFrom("WYWWWWWW"));
        EXPECT_EQ(afterSecond, LampsFrom(c.lamps));
    }
}

TEST_F(ContinuousTest, PollRepliesOfThirtyFiveAndFiftyNine) {
    const QByteArray clock = "0001PI20070623140509";
    const QByteArray record = QByteArray("1") + "20070623101500" + "0001" + "12345";
    struct Case {
        QByteArray body;
        const char* date;
        const char* data;
        QStringList sent;
        std::vector<std::chrono::milliseconds> pauses;
    };
    const Case cases[] = {
        {BodyOfLength(36, clock),
         "2001/01/01 12:00:00",
         "",
         {"0001DG0", "0001PI", "0001JD"},
         {20ms, 20ms}},
        {BodyOfLength(35, clock),
         "2007/06/23  14:05:09",
         "",
         {"0001DG0", "0001PI", "0001JD"},
         {20ms, 20ms}},
        {clock + "00010000" + record,
         "2007/06/23  14:05:09",
         "[1] 2007/06/23  10:15:00 (0001) [12345]",
         {"0001DG0", "0001PI", "0001IB", "0001JD"},
         {20ms, 20ms, 20ms}},
        {BodyOfLength(58, clock),
         "2007/06/23  14:05:09",
         "[1] 2007/06/23  10:15:00 (0001) [12345]",
         {"0001DG0", "0001PI", "0001JD"},
         {20ms, 20ms}},
    };
    ConnectOver();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.size() + 7);
        sim->ClearScripts();
        Forget();
        Script("PI", c.body);
        CancelAtPause("btnPooling", 1);
        Click("btnPooling");
        EXPECT_EQ(TextOf("pnPoolingDate"), c.date);
        EXPECT_EQ(TextOf("pnPoolingData"), c.data);
        EXPECT_EQ(Commands(), c.sent);
        EXPECT_EQ(services.pauses, c.pauses);
        ExpectIdleAfter(kPolling);
    }
}

TEST_F(ContinuousTest, UntickedOutputIsNoLongerDriven) {
    ConnectOver();
    Box(1)->setChecked(true);
    Box(3)->setChecked(true);
    services.onPause = [&](std::chrono::milliseconds) {
        if (Commands().endsWith("0001DG0") && Commands().size() == 3) {
            Box(3)->setChecked(false);
        } else if (Commands().size() == 5) {
            Click("btnDIDO");
        }
    };
    Click("btnDIDO");
    EXPECT_EQ(Commands(), QStringList({"0001JC00110002", "0001JC00310002", "0001DG0",
                                       "0001JC00110002", "0001DG0", "0001JD"}));
}

TEST_F(ContinuousTest, DidoOverThePseudoTerminal) {
    ConnectOver(Over::Pty);
    sim->WithModel([](sim::ControllerModel& model) { model.SetInput(8, true); });
    Box(1)->setChecked(true);
    std::vector<QColor> shown;
    CancelAtPause("btnDIDO", 2, [&] { shown = Lamps(); });
    Click("btnDIDO");
    EXPECT_EQ(Commands(), QStringList({"0001JC00110002", "0001DG0", "0001JD"}));
    EXPECT_EQ(shown, LampsFrom("WWWWWWWY"));
    ExpectIdleAfter(kDido);
}

// The window stays open and the test goes on; the tool ends once the test has been
// stopped with its button. File > Exit does the same as the close box.
TEST_F(ContinuousTest, CloseAndExitWaitForTheTestToBeStopped) {
    ConnectOver();
    int pauses = 0;
    services.onPause = [&](std::chrono::milliseconds) {
        ++pauses;
        if (pauses == 1) {
            window->close();
        } else if (pauses == 3) {
            window->mnuExitClick();
        } else if (pauses == 6) {
            EXPECT_TRUE(window->isVisible());
            EXPECT_TRUE(window->Context().state.testRunning);
            Click("btnPooling");
        }
    };
    Click("btnPooling");
    EXPECT_EQ(Commands(), QStringList({"0001DG0", "0001PI", "0001DG0", "0001PI", "0001DG0",
                                       "0001PI", "0001JD"}));
    EXPECT_EQ(StatusText(), "Command ok.");
    EXPECT_FALSE(window->isVisible());
}

// A close request while the test's operation start has the window disabled has no effect.
TEST_F(ContinuousTest, CloseWhileTheTestOpensItsLinkIsIgnored) {
    ConnectOver();
    services.onProcessEvents = [this] {
        if (!window->isEnabled()) {
            window->close();
        }
    };
    CancelAtPause("btnDIDO", 2);
    Click("btnDIDO");
    services.onProcessEvents = {};
    EXPECT_EQ(Commands(), QStringList({"0001DG0", "0001DG0", "0001JD"}));
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
