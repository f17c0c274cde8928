#include <QElapsedTimer>

#include "gui/firmware_window_fixture.h"

namespace {

using Pauses = std::vector<std::chrono::milliseconds>;
using Tone = RecordingServices::Tone;

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);

class FirmwareUpgrade : public FirmwareWindowFixture {
protected:
    static QByteArray Hex(const QByteArray& bytes) { return bytes.toHex().toUpper(); }

    void ExpectSuccess() {
        EXPECT_EQ(StatusText(), "Command ok.");
        EXPECT_EQ(LampColor(), kYellow);
        EXPECT_EQ(services.beeps, (std::vector<Tone>{Tone{1000, 300ms}}));
    }
};

// A close request (the close box, Alt+F4) while the window is disabled has no effect: the upgrade
// goes on with the window on screen. Once it has ended, the window closes.
TEST_F(FirmwareUpgrade, CloseRequestDuringTheUpgradeHasNoEffect) {
    StartConnected(WriteImageFile(QByteArray(2 * kBlock, '\x5A')));
    services.onPause = [this](std::chrono::milliseconds duration) {
        if (duration == 50ms || duration == 7000ms) {
            window->close();
        }
    };
    Upgrade();
    EXPECT_EQ(Requests().last(), "0001ZrC4E9");
    ExpectSuccess();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
}

TEST_F(FirmwareUpgrade, HeaderOnlyFileSendsOpeningAndFinalRequests) {
    StartConnected(WriteImageFile({}));
    Upgrade();
    EXPECT_EQ(sim->ReceivedCommands(), QStringList({"0001Zx6D2A", "0001ZrC4E9"}));
    EXPECT_EQ(services.pauses, Pauses({100ms, 50ms, 50ms, 100ms, 7000ms}));
    EXPECT_EQ(Bar("pbProgram"), (BarState{0, 0}));
    EXPECT_EQ(Bar("pbVerify"), (BarState{0, 0}));
    ExpectSuccess();
    // Nothing to do is drawn as an empty bar, not as a busy one.
    for (const char* name : {"pbProgram", "pbVerify"}) {
        auto* bar = Find<QProgressBar>(name);
        const QImage none = bar->grab().toImage();
        bar->setRange(0, 100);
        const QImage empty = bar->grab().toImage();
        bar->setRange(0, 0);
        EXPECT_EQ(none, empty) << name;
    }
}

TEST_F(FirmwareUpgrade, PartialLastBlockIsSentAndExpectedBackPaddedWithFF) {
    const QByteArray data = ImageData(2 * kBlock + 100);
    StartConnected(WriteImageFile(data));
    QStringList shown{StatusText()};  // the status line at each event pump, without repeats
    services.onProcessEvents = [&] {
        if (shown.isEmpty() || shown.last() != StatusText()) {
            shown << StatusText();
        }
    };
    Upgrade();

    EXPECT_EQ(shown.mid(1), QStringList({"Connecting device ...", "Programming ...",
                                         "Verifying ...", "Upgrading ..."}));
    const QStringList received = sim->ReceivedCommands();
    ASSERT_EQ(Requests(), QStringList({"0001Zx6D2A", "0001Zp0000", "0001Zp0200", "0001Zp0400",
                                       "0001Zv0000", "0001Zv0200", "0001Zv0400", "0001ZrC4E9"}));
    EXPECT_EQ(received[1], "0001Zp0000" + Hex(data.left(kBlock)));
    EXPECT_EQ(received[3], "0001Zp0400" + Hex(data.mid(2 * kBlock)) + QByteArray(824, 'F'));
    EXPECT_EQ(SimFlash(*sim), Padded(data));
    EXPECT_EQ(services.pauses,
              Pauses({100ms, 50ms, 4ms, 4ms, 4ms, 50ms, 4ms, 4ms, 4ms, 100ms, 7000ms}));
    EXPECT_EQ(Bar("pbProgram"), (BarState{3, 3}));
    EXPECT_EQ(Bar("pbVerify"), (BarState{3, 3}));
    ExpectSuccess();
}

TEST_F(FirmwareUpgrade, DataPastTheLastBlockIsNeverSent) {
    const QByteArray data = ImageData(124 * kBlock + 300);
    StartConnected(WriteImageFile(data));
    Upgrade();
    const QStringList programmed = Requests().filter("Zp");
    ASSERT_EQ(programmed.size(), 124);
    EXPECT_EQ(programmed.last(), "0001ZpF600");
    EXPECT_EQ(Requests().filter("Zv").last(), "0001ZvF600");
    EXPECT_EQ(sim->ReceivedCommands().filter("Zp").last(),
              "0001ZpF600" + Hex(data.mid(123 * kBlock, kBlock)));
    EXPECT_EQ(SimFlash(*sim), data.left(124 * kBlock));
    EXPECT_EQ(Bar("pbProgram"), (BarState{124, 124}));
    ExpectSuccess();
}

TEST_F(FirmwareUpgrade, FaultsEndTheRunWhereTheyStrike) {
    const QByteArray data = ImageData(2 * kBlock + 100);
    const QString block1Reply = QString::fromLatin1("0001Zv" + Hex(data.mid(kBlock, kBlock)));
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QStringList requests;
        Pauses pauses;
        BarState program;
        BarState verify;
        bool ok;
    };
    const QStringList programmed = {"0001Zx6D2A", "0001Zp0000", "0001Zp0200", "0001Zp0400"};
    const QStringList all =
        programmed + QStringList{"0001Zv0000", "0001Zv0200", "0001Zv0400", "0001ZrC4E9"};
    const Case cases[] = {
        {"opening unanswered",
         [this] { sim->SetFaults("corrupt:code=Zx"); },
         {"0001Zx6D2A"},
         {100ms},
         {0, 100},
         {0, 100},
         false},
        {"block refused twice, then taken",
         [this] { sim->SetFaults("corrupt:code=Zp:first=2"); },
         QStringList{"0001Zx6D2A", "0001Zp0000", "0001Zp0000"} + all.mid(1),
         {100ms, 50ms, 4ms, 50ms, 50ms, 4ms, 4ms, 50ms, 4ms, 4ms, 4ms, 100ms, 7000ms},
         {3, 3},
         {3, 3},
         true},
        {"block 1 refused five times",
         [this] { AfterRequests("Zp", 1, [this] { sim->SetFaults("corrupt:code=Zp"); }); },
         {"0001Zx6D2A", "0001Zp0000", "0001Zp0200", "0001Zp0200", "0001Zp0200", "0001Zp0200",
          "0001Zp0200"},
         {100ms, 50ms, 4ms, 4ms, 50ms, 50ms, 50ms, 50ms, 50ms},
         {0, 3},
         {0, 100},
         false},
        {"verify of block 1 differs in one digit",
         [&] {
             QString changed = block1Reply;
             changed[20] = changed[20] == '0' ? '1' : '0';
             AfterRequests("Zv", 1,
                           [this, changed] { sim->ScriptReply("Zv", changed.toLatin1(), 1); });
         },
         programmed + QStringList{"0001Zv0000", "0001Zv0200"},
         {100ms, 50ms, 4ms, 4ms, 4ms, 50ms, 4ms, 4ms},
         {3, 3},
         {0, 3},
         false},
        {"verify in lower case",
         [this] { sim->SetFaults("lower:part=body:code=Zv"); },
         programmed + QStringList{"0001Zv0000"},
         {100ms, 50ms, 4ms, 4ms, 4ms, 50ms, 4ms},
         {3, 3},
         {0, 3},
         false},
        {"verify reply one digit short",
         [&] {
             AfterRequests("Zv", 1, [this, r = block1Reply.chopped(1).toLatin1()] {
                 sim->ScriptReply("Zv", r, 1);
             });
         },
         programmed + QStringList{"0001Zv0000", "0001Zv0200"},
         {100ms, 50ms, 4ms, 4ms, 4ms, 50ms, 4ms, 4ms},
         {3, 3},
         {0, 3},
         false},
        {"verify of block 2 unanswered five times",
         [this] { AfterRequests("Zv", 2, [this] { sim->SetFaults("corrupt:code=Zv"); }); },
         programmed + QStringList{"0001Zv0000", "0001Zv0200", "0001Zv0400", "0001Zv0400",
                                  "0001Zv0400", "0001Zv0400", "0001Zv0400"},
         {100ms, 50ms, 4ms, 4ms, 4ms, 50ms, 4ms, 4ms, 4ms, 50ms, 50ms, 50ms, 50ms, 50ms},
         {3, 3},
         {1, 3},
         false},
        {"final unanswered",
         [this] { sim->SetFaults("drop:code=Zr"); },
         all,
         {100ms, 50ms, 4ms, 4ms, 4ms, 50ms, 4ms, 4ms, 4ms, 100ms},
         {3, 3},
         {3, 3},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        services = RecordingServices();
        StartConnected(WriteImageFile(data));
        c.arrange();
        Upgrade();
        EXPECT_EQ(Requests(), c.requests);
        EXPECT_EQ(services.pauses, c.pauses);
        EXPECT_EQ(Bar("pbProgram"), c.program);
        EXPECT_EQ(Bar("pbVerify"), c.verify);
        EXPECT_EQ(StatusText(), c.ok ? "Command ok." : "Command error!");
        EXPECT_EQ(LampColor(), c.ok ? kYellow : kRed);
        EXPECT_EQ(services.beeps, (std::vector<Tone>{Tone{c.ok ? 1000 : 300, 300ms}}));
        EXPECT_TRUE(window->isEnabled());
    }
}

TEST_F(FirmwareUpgrade, RunAfterABrokenOneStartsAgainFromTheOpening) {
    const QByteArray data = ImageData(3 * kBlock);
    StartConnected(WriteImageFile(data));
    AfterRequests("Zp", 2, [this] { sim->SetFaults("drop:code=Zp"); });
    Upgrade();
    ASSERT_EQ(StatusText(), "Command error!");

    services.onProcessEvents = nullptr;
    sim->SetFaults({});
    sim->ClearReceivedCommands();
    Upgrade();
    EXPECT_EQ(Requests().mid(0, 3), QStringList({"0001Zx6D2A", "0001Zp0000", "0001Zp0200"}));
    EXPECT_EQ(StatusText(), "Command ok.");
    EXPECT_EQ(SimFlash(*sim), Padded(data));
}

TEST_F(FirmwareUpgrade, FileRebuiltAfterChoosingIsReadAfresh) {
    const QString path = WriteImageFile(ImageData(5 * kBlock));
    StartConnected(path);
    Upgrade();
    const QByteArray shorter = ImageData(kBlock + 1).right(kBlock + 1);
    WriteImageFile(shorter);
    sim->ClearReceivedCommands();
    Upgrade();
    EXPECT_EQ(Requests().filter("Zp"), QStringList({"0001Zp0000", "0001Zp0200"}));
    EXPECT_EQ(sim->ReceivedCommands()[2],
              "0001Zp0200" + Hex(shorter.right(1)) + QByteArray(1022, 'F'));
    EXPECT_EQ(Bar("pbVerify"), (BarState{2, 2}));
}

// A verify reply takes about 600 ms at 19200 bit/s: longer than a transaction's time-out, but
// its bytes keep coming, so it must be taken whole.
TEST_F(FirmwareUpgrade, SlowSerialLineCarriesTheLongReplies) {
    const QByteArray data = ImageData(2 * kBlock + 10);
    sim::SimOptions options;
    options.tcp = false;
    options.pty = true;
    options.lineSpeed = 19200;
    StartConnected(WriteImageFile(data), options);
    QElapsedTimer timer;
    timer.start();
    Upgrade();
    EXPECT_GT(timer.elapsed(), 3 * 500);
    EXPECT_EQ(Requests().filter("Zv"), QStringList({"0001Zv0000", "0001Zv0200", "0001Zv0400"}));
    EXPECT_EQ(SimFlash(*sim), Padded(data));
    ExpectSuccess();
}

}  // namespace
