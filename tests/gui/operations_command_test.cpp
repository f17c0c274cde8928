#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <utility>

#include "gui/operations_fixture.h"

namespace {

using namespace std::chrono_literals;

class Command : public OperationsFixture {
protected:
    void SetUp() override {
        OperationsFixture::SetUp();
        StartAgainstSim();
        Connected();
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }
    void Press(const char* page, const char* button) {
        ShowPage(page);
        Click(button);
    }
    void ExpectEnding(const char* status, const QColor& lamp, const Beep& beep) {
        EXPECT_EQ(StatusText(), status);
        EXPECT_EQ(LampColor(), lamp);
        EXPECT_EQ(services.beeps, std::vector<Beep>({beep}));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(window->isEnabled());
    }
};

TEST_F(Command, ConsolesSendTheTypedTextAfterTheDeviceId) {
    struct Case {
        const char* button;
        int moduleRow;
        int moduleAddress;
        QString typed;  // empty: the field's initial text
        QString sent;
    };
    const Case cases[] = {
        {"btnCommand", 0, 0, {}, "0001AB"},
        {"btnModuleCommand", 0, 0, {}, "0001DDA1B"},
        {"btnModuleCommand", 5, 7, "x Y", "0001DDE8x Y"},
        {"btnModuleCommand", 2, 3, "", "0001DDH4"},
        {"btnCommand", 0, 0, "ab c", "0001ab c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent.toStdString());
        Forget();
        Combo("cmbModuleType")->setCurrentIndex(c.moduleRow);
        Combo("cmbModuleId")->setCurrentIndex(c.moduleAddress);
        if (!c.typed.isNull()) {
            Edit(c.button == QLatin1String("btnCommand") ? "edCommandSend" : "edModuleCommandSend")
                ->setText(c.typed);
        }
        Press("tsCommand", c.button);
        EXPECT_EQ(Commands(), QStringList({c.sent}));
        EXPECT_EQ(services.pauses, std::vector<std::chrono::milliseconds>({100ms}));
    }
}

TEST_F(Command, ReplyShownWholeAndKeptWhenThePressFails) {
    Script("AB", QByteArray("0001ABFIRST"));
    Press("tsCommand", "btnCommand");
    const QString shown = Edit("edCommandRecv")->text();
    EXPECT_TRUE(shown.startsWith(QChar(0x2403))) << shown.toStdString();
    EXPECT_TRUE(shown.contains("0001ABFIRST"));
    EXPECT_TRUE(shown.endsWith(QChar(0x240D)));
    ExpectEnding("Command ok.", Yellow(), High());

    Forget();
    Script("AB", std::nullopt);
    Press("tsCommand", "btnCommand");
    EXPECT_EQ(Edit("edCommandRecv")->text(), shown);
    EXPECT_EQ(Edit("edModuleCommandRecv")->text(), "");
    ExpectEnding("Command error!", Red(), Low());
}

TEST_F(Command, CommandTooLongForTheFrameIsNotSent) {
    struct Case {
        const char* button;
        const char* field;
        int typedLength;  // after the device ID and, for modules, "DDA1"
        bool sent;
    };
    const Case cases[] = {
        {"btnCommand", "edCommandSend", 1490, false},
        {"btnCommand", "edCommandSend", 1489, true},
        {"btnModuleCommand", "edModuleCommandSend", 1486, false},
        {"btnModuleCommand", "edModuleCommandSend", 1485, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typedLength);
        Forget();
        Edit(c.field)->setText(QString(c.typedLength, QLatin1Char('Q')));
        Press("tsCommand", c.button);
        EXPECT_EQ(Commands().size(), c.sent ? 1 : 0);
        if (!c.sent) {
            ExpectEnding("Command error!", Red(), Low());
        }
    }
}

struct OneShot {
    const char* button;
    const char* status;
    const char* code;
    QString sent;
};

const OneShot kOneShots[] = {
    {"btnSetDate", "Set date and time", "AA", "0001AA20070624000000"},
    {"btnAlarm", "Alarm test", "JF", "0001JF6"},
    {"btnInitial", "Set factory", "AR", "0001AR01"},
    {"btnReboot", "Set reboot", "AR", "0001AR00"},
};

TEST_F(Command, OneShotCommandsAreAcknowledged) {
    Combo("cmbAlarm")->setCurrentIndex(6);
    for (const OneShot& c : kOneShots) {
        SCOPED_TRACE(c.button);
        Forget();
        // The time sent is read after the pause, here just across midnight.
        services.now = QDateTime(QDate(2007, 6, 23), QTime(23, 59, 59));
        services.onPause = [this](std::chrono::milliseconds) {
            services.now = QDateTime(QDate(2007, 6, 24), QTime(0, 0, 0));
        };
        RecordStatuses();
        Press("tsTest", c.button);
        EXPECT_EQ(Commands(), QStringList({c.sent}));
        EXPECT_EQ(statuses, QStringList({"Connecting device ...", c.status}));
        EXPECT_EQ(services.pauses, std::vector<std::chrono::milliseconds>({100ms}));
        ExpectEnding("Command ok.", Yellow(), High());
    }
}

// A click given while a one-shot operation runs has no effect: delivered at the start's first
// event pump, while the window is still enabled, or queued until the operation has ended and
// the window takes input again (the second half of a double click).
TEST_F(Command, ClickWhileAnOperationRunsStartsNoSecondRun) {
    for (const OneShot& c : kOneShots) {
        SCOPED_TRACE(c.button);
        Forget();
        auto* button = Find<QPushButton>(c.button);
        services.onProcessEvents = [this, &c, clicked = false]() mutable {
            if (!std::exchange(clicked, true)) {
                Click(c.button);
            }
        };
        services.onPause = [button](std::chrono::milliseconds) {
            const QPointF at = button->rect().center();
            for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(
                    button, new QMouseEvent(
                                type, at, button->mapToGlobal(at), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
            }
        };
        Press("tsTest", c.button);
        QCoreApplication::processEvents();
        ASSERT_EQ(Commands().size(), 1);
        EXPECT_EQ(Commands()[0].left(6), c.sent.left(6));
        ExpectEnding("Command ok.", Yellow(), High());
    }
}

TEST_F(Command, AcknowledgementOfAnotherLengthIsAnError) {
    for (const OneShot& c : kOneShots) {
        for (int length : {12, 14}) {
            SCOPED_TRACE(std::string(c.button) + " " + std::to_string(length));
            sim->ClearScripts();
            Forget();
            Script(c.code, BodyOfLength(length));
            Press("tsTest", c.button);
            EXPECT_EQ(Commands().size(), 1);
            ExpectEnding("Command error!", Red(), Low());
        }
    }
}

TEST_F(Command, AlarmSendsTheSelectionEveryPress) {
    Combo("cmbAlarm")->setCurrentIndex(0);
    Press("tsTest", "btnAlarm");
    Press("tsTest", "btnAlarm");
    Combo("cmbAlarm")->setCurrentIndex(3);
    Press("tsTest", "btnAlarm");
    EXPECT_EQ(Commands(), QStringList({"0001JF0", "0001JF0", "0001JF3"}));
}

TEST_F(Command, NothingSentWhenTheLinkDoesNotOpen) {
    const std::pair<const char*, const char*> presses[] = {
        {"tsCommand", "btnCommand"}, {"tsCommand", "btnModuleCommand"}, {"tsTest", "btnSetDate"},
        {"tsTest", "btnAlarm"},      {"tsTest", "btnInitial"},          {"tsTest", "btnReboot"},
        {"tsTest", "btnDIDO"},       {"tsTest", "btnPooling"},
    };
    UseMissingPort();
    for (const auto& [page, button] : presses) {
        SCOPED_TRACE(button);
        Forget();
        Press(page, button);
        EXPECT_TRUE(Commands().isEmpty());
        ExpectEnding("Connect device error!", Red(), Low());
        EXPECT_TRUE(Enabled("pcMain"));
        EXPECT_TRUE(TabVisible("tsCommand"));
        EXPECT_TRUE(TabVisible("tsFirmware"));
        for (const char* other : {"btnConnect", "btnReboot", "btnInitial", "btnSetDate", "btnAlarm",
                                  "btnDIDO", "btnPooling"}) {
            EXPECT_TRUE(Enabled(other)) << other;
        }
    }
    EXPECT_EQ(Find<QPushButton>("btnDIDO")->text(), "DIDO test");
    EXPECT_EQ(Find<QPushButton>("btnPooling")->text(), "Pooling data test");

    Forget();
    Click("btnConnect");
    EXPECT_TRUE(Commands().isEmpty());
    ExpectEnding("Connect device error!", Red(), Low());
    EXPECT_FALSE(Enabled("pcMain"));
}

}  // namespace
