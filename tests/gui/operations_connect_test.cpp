#include <QApplication>
#include <QCursor>
#include <QTimer>

#include "gui/operations_fixture.h"
#include "link.h"

namespace {

using namespace std::chrono_literals;
using Connect = OperationsFixture;

bool NormalCursor() {
    return QApplication::overrideCursor() == nullptr;
}

TEST_F(Connect, FirstAnswerTeachesTheDeviceId) {
    StartAgainstSim();
    sim->WithModel([](sim::ControllerModel& model) { model.SetDeviceId("0042"); });
    RecordStatuses();
    bool savedBeforeVersion = false;
    services.onPause = [&](std::chrono::milliseconds) {
        if (Commands().size() == 1) {
            savedBeforeVersion = ReadSettingsRaw().contains(QByteArray::number(sim->TcpPort()));
        }
    };
    Click("btnConnect");

    EXPECT_EQ(Commands(), QStringList({"0000AC", "0042DB", "0042AS"}));
    EXPECT_EQ(TextOf("pnVER"), "KR470QX-   V5.01.07");
    EXPECT_EQ(TextOf("pnSN"), "S/N:20070623   ID:0042");
    EXPECT_EQ(StatusText(), "Command ok.");
    EXPECT_EQ(LampColor(), Yellow());
    EXPECT_EQ(services.beeps, std::vector<Beep>({High()}));
    EXPECT_EQ(services.pauses, std::vector<std::chrono::milliseconds>({100ms, 100ms, 100ms}));
    EXPECT_EQ(statuses, QStringList({"Connecting device ..."}));
    EXPECT_TRUE(savedBeforeVersion);
    EXPECT_TRUE(Enabled("pcMain"));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(NormalCursor());
}

TEST_F(Connect, CountsDownNineEightSevenOverUnansweredAttempts) {
    struct Case {
        int silentAttempts;
        QStringList statuses;
        int identifies;
        const char* ending;
    };
    const QString busy = QStringLiteral("Connecting device ...");
    const Case cases[] = {
        {2, {busy, busy + " ( 9 )", busy + " ( 8 )"}, 3, "Command ok."},
        {3, {busy, busy + " ( 9 )", busy + " ( 8 )", busy + " ( 7 )"}, 3, "Connect device error!"},
    };
    StartAgainstSim();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.silentAttempts);
        sim->ClearScripts();
        Forget();
        Script("AC", std::nullopt, c.silentAttempts);
        RecordStatuses();
        Click("btnConnect");
        EXPECT_EQ(statuses, c.statuses);
        EXPECT_EQ(Commands().count("0000AC"), c.identifies);
        EXPECT_EQ(StatusText(), c.ending);
        EXPECT_TRUE(NormalCursor());
        EXPECT_TRUE(window->isEnabled());
    }
    // The failed one closed its link itself, before anything else opens one.
    EXPECT_FALSE(window->Context().link.IsOpen());
}

// An unanswered Connect lets go of the serial port: another program may open it at once.
TEST_F(Connect, UnansweredConnectReleasesTheSerialPort) {
    StartAgainstSim(Over::Pty);
    Script("AC", std::nullopt);
    Click("btnConnect");
    ASSERT_EQ(StatusText(), "Connect device error!");
    LinkSettings other;
    other.portName = sim->PtyPath();
    Link link;
    link.SetSettings(other);
    EXPECT_TRUE(link.OpenLink());
}

TEST_F(Connect, IdentifyReplyOfAnotherLengthIsNoAnswer) {
    StartAgainstSim();
    for (int length : {16, 18}) {
        SCOPED_TRACE(length);
        Forget();
        Script("AC", BodyOfLength(length, "0001AC"));
        Click("btnConnect");
        EXPECT_EQ(Commands(), QStringList({"0000AC", "0000AC", "0000AC"}));
        EXPECT_EQ(StatusText(), "Connect device error!");
        EXPECT_EQ(LampColor(), Red());
        EXPECT_EQ(services.beeps, std::vector<Beep>({Low()}));
        EXPECT_FALSE(Enabled("pcMain"));
        EXPECT_TRUE(window->Context().state.deviceId.isEmpty());
        // Nothing is remembered of a link that never answered.
        EXPECT_FALSE(ReadSettingsRaw().contains(QByteArray::number(sim->TcpPort())));
    }
}

TEST_F(Connect, BadVersionOrSerialLeavesOnlyThatPanelEmpty) {
    StartAgainstSim();
    Script("DB", BodyOfLength(28, "0001DB"));
    Click("btnConnect");
    EXPECT_EQ(TextOf("pnVER"), "");
    EXPECT_EQ(TextOf("pnSN"), "S/N:20070623   ID:0001");
    EXPECT_EQ(StatusText(), "Command ok.");
    EXPECT_TRUE(Enabled("pcMain"));

    sim->ClearScripts();
    Script("AS", std::nullopt);
    Click("btnConnect");
    EXPECT_EQ(TextOf("pnVER"), "KR470QX-   V5.01.07");
    EXPECT_EQ(TextOf("pnSN"), "");
    EXPECT_EQ(StatusText(), "Command ok.");
}

TEST_F(Connect, FailedConnectKeepsWhatTheGoodOneLearnt) {
    StartAgainstSim();
    sim->WithModel([](sim::ControllerModel& model) { model.SetDeviceId("0007"); });
    Connected();
    sim->WithModel([](sim::ControllerModel& model) { model.SetDeviceId("0009"); });
    Script("AC", BodyOfLength(18, "0009AC"));
    Click("btnConnect");
    EXPECT_EQ(StatusText(), "Connect device error!");
    EXPECT_FALSE(Enabled("pcMain"));
    EXPECT_EQ(TextOf("pnVER"), "KR470QX-   V5.01.07");
    EXPECT_EQ(TextOf("pnSN"), "S/N:20070623   ID:0007");
    EXPECT_EQ(window->Context().state.deviceId, "0007");
}

TEST_F(Connect, OverThePseudoTerminal) {
    StartAgainstSim(Over::Pty);
    Click("btnConnect");
    EXPECT_EQ(Commands(), QStringList({"0000AC", "0001DB", "0001AS"}));
    EXPECT_EQ(TextOf("pnSN"), "S/N:20070623   ID:0001");
    EXPECT_EQ(StatusText(), "Command ok.");
    EXPECT_TRUE(Enabled("pcMain"));
}

TEST_F(Connect, BusyWhileItRunsAndBlinkCarriesOver) {
    StartAgainstSim();
    std::vector<QColor> firstTicks;
    services.onPause = [&](std::chrono::milliseconds) {
        EXPECT_FALSE(window->isEnabled());
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_TRUE(window->BusyTimer()->isActive());
        if (Commands().isEmpty()) {
            window->tmrBusyTimer();
            firstTicks.push_back(LampColor());
        }
    };
    Click("btnConnect");
    Forget();
    Click("btnConnect");
    // One tick in each operation: the second goes on from the phase the first left.
    EXPECT_EQ(firstTicks, std::vector<QColor>({Red(), Yellow()}));
    EXPECT_FALSE(window->BusyTimer()->isActive());
    EXPECT_TRUE(NormalCursor());
}

}  // namespace
