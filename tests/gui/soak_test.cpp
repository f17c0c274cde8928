#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <random>

#include "controller_model.h"
#include "frame_codec.h"
#include "gui/soak_fixture.h"
#include "support/sim_flash.h"

namespace {

// Wall time a run may take for the requests it made: each at most one reply time-out plus room.
constexpr qint64 kPerRequestMs = 400;
constexpr qint64 kSlackMs = 1500;

const QStringList kOperationTexts = {"Connecting device ...", "Command ok.", "Command error!",
                                     "Connect device error!"};

class Soak : public SoakFixture {
protected:
    void SetUp() override {
        SoakFixture::SetUp();
        for (const QString& text : kOperationTexts) {
            allowed.insert(text);
        }
    }

    qsizetype Requests() const { return sim->ReceivedCommands().size(); }

    // The run took no longer than its requests' time-outs allow.
    static void ExpectNoHang(const Outcome& outcome, qsizetype requests) {
        EXPECT_LE(outcome.ms, requests * kPerRequestMs + kSlackMs)
            << requests << " requests took " << outcome.ms << " ms";
    }
};

class FirmwareSoak : public Soak {
protected:
    static constexpr int kBlocks = 8;
    static constexpr int kBlockSize = 512;

    static QByteArray RandomImage(std::mt19937& random) {
        QByteArray data(kBlocks * kBlockSize, '\0');
        for (char& byte : data) {
            byte = static_cast<char>(random() & 0xFF);
        }
        return data;
    }
    void WriteImage(const QByteArray& data) {
        QFile file(imagePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("KR470QX SOAK\0\0\0\0", 16) + data);
    }
    QString imagePath = configDir.filePath(QStringLiteral("soak.KXB"));
};

TEST_F(FirmwareSoak, EveryUpgradeEndsWithTheImageInFlashOrAnError) {
    for (const char* text : {"Programming ...", "Verifying ...", "Upgrading ..."}) {
        allowed.insert(text);
    }
    const quint32 seed = Seed(470);
    const QByteArray path = '"' + imagePath.toUtf8() + '"';
    StartFaulty("drop:p=0.1,corrupt:p=0.05", seed, {{"FirmwareFile", path.constData()}});
    ShowPage("tsFirmware");
    std::mt19937 random(seed);
    const int runs = Count(3, 30);
    int ok = 0;
    QElapsedTimer wall;
    wall.start();
    for (int run = 0; run < runs; ++run) {
        const QByteArray image = RandomImage(random);
        WriteImage(image);
        const qsizetype before = Requests();
        const Outcome outcome = Run("btnFirmware", 60000);
        ExpectNoHang(outcome, Requests() - before);
        ASSERT_TRUE(outcome.status == "Command ok." || outcome.status == "Command error!")
            << "run " << run << ": " << outcome.status.toStdString();
        if (outcome.status == "Command ok.") {
            ++ok;
            const QByteArray flash = SimFlash(*sim);
            ASSERT_EQ(flash.left(image.size()), image) << "run " << run << " seed " << seed;
            ASSERT_EQ(flash.mid(image.size()).count('\xFF'), flash.size() - image.size());
        }
    }
    std::cout << "[ soak ] firmware upgrades " << runs << ": ok " << ok << ", error " << runs - ok
              << ", " << wall.elapsed() << " ms\n";
}

class ConsoleSoak : public Soak {
protected:
    // Sends `runs` commands from both consoles in turn; prints and returns the outcomes.
    void SendCommands(int runs, bool serial) {
        ShowPage("tsCommand");
        const QStringList commands = {"AB", "DB", "AS", "DG0", "", "zz", "JF3"};
        QMap<QString, int> outcomes;
        QElapsedTimer wall;
        wall.start();
        MarkCpu();
        for (int run = 0; run < runs; ++run) {
            const bool module = run % 3 == 2;
            auto* reply = Find<QLineEdit>(module ? "edModuleCommandRecv" : "edCommandRecv");
            Find<QLineEdit>(module ? "edModuleCommandSend" : "edCommandSend")
                ->setText(commands[run % commands.size()]);
            const QString shownBefore = reply->text();
            const qsizetype before = Requests();
            const Outcome outcome = Run(module ? "btnModuleCommand" : "btnCommand", 3000);
            ExpectNoHang(outcome, Requests() - before);
            ++outcomes[outcome.status];
            const QByteArray& last = window->Context().link.LastReply();
            const std::string_view bytes(last.constData(), last.size());
            if (outcome.status == "Command ok.") {
                EXPECT_TRUE(serial ? CheckReplyCrc(bytes) : CheckReplyXor(bytes)) << "run " << run;
                EXPECT_FALSE(reply->text().isEmpty());
            } else {
                EXPECT_EQ(outcome.status, "Command error!") << "run " << run;
                EXPECT_EQ(reply->text(), shownBefore) << "run " << run;
            }
        }
        std::cout << "[ soak ] console commands " << runs
                  << (serial ? " over the pty" : " over TCP") << ": ok " << outcomes["Command ok."]
                  << ", error " << outcomes["Command error!"] << ", " << wall.elapsed()
                  << " ms, cpu " << CpuShare() << "\n";
    }
};

TEST_F(ConsoleSoak, EveryCommandEndsWithACheckedReplyOrAnError) {
    StartFaulty(
        "drop:p=0.05,corrupt:p=0.05,length:p=0.05,noise:p=0.1,split:p=0.1:pieces=4:gap=30,"
        "close:p=0.02,twice:p=0.03,delay:p=0.03:ms=350",
        Seed(4701));
    SendCommands(Count(40, 1000), false);
}

// A hang-up moves the simulator to a new pty behind the same link name: the next command opens
// it and goes on.
TEST_F(ConsoleSoak, OverThePtyHangUpsCostOneCommandEach) {
    StartFaulty("drop:p=0.05,corrupt:p=0.05,noise:p=0.1,split:p=0.1:gap=30,close:p=0.03",
                Seed(4703), {}, true);
    SendCommands(Count(20, 200), true);
}

class ContinuousSoak : public Soak {
protected:
    // Starts the test on button, lets it run `cycles` cycles, cancels it with a second click.
    // Cycles are counted at the controller; once the line is gone, by the tool's event pumps, of
    // which a cycle has one per ticked output, one before "DG0" and, when polling, one before "PI".
    Outcome RunCycles(const char* button, int cycles, int pumpsPerCycle) {
        const qsizetype startInputs = sim->ReceivedCommands().filter("DG0").size();
        int pumps = 0;
        services.onProcessEvents = [&, button, cycles, cancelled = false]() mutable {
            ++pumps;
            const bool enough =
                sim->ReceivedCommands().filter("DG0").size() - startInputs >= cycles ||
                pumps >= 3 + cycles * pumpsPerCycle;
            if (!cancelled && enough) {
                cancelled = true;
                Click(button);
            }
        };
        const Outcome outcome = Run(button, 600000);
        services.onProcessEvents = nullptr;
        // Every transaction follows a pump, but for "IB" (at most one a cycle) and "JD".
        ExpectNoHang(outcome, pumps + cycles + 1);
        return outcome;
    }
};

TEST_F(ContinuousSoak, DidoAndPollingRunUntilCancelledAndEndOk) {
    allowed.insert("DIDO test");
    const quint32 seed = Seed(4702);
    StartFaulty(
        "drop:p=0.1,corrupt:p=0.05,length:p=0.05,noise:p=0.1,split:p=0.1:gap=40,close:p=0.01",
        seed);
    sim->WithModel([](sim::ControllerModel& model) {
        for (int i = 0; i < 1000; ++i) {
            model.PushRecord({});
        }
    });
    ShowPage("tsTest");
    const int runs = Count(2, 20);
    const int cyclesPerRun = 10;
    QElapsedTimer wall;
    wall.start();
    MarkCpu();
    for (int run = 0; run < runs; ++run) {
        const bool dido = run % 2 == 0;
        const char* button = dido ? "btnDIDO" : "btnPooling";
        const QString caption = Find<QPushButton>(button)->text();
        Find<QCheckBox>("chkDO1")->setChecked(true);
        const bool second = run % 4 < 2;
        Find<QCheckBox>("chkDO3")->setChecked(second);
        const Outcome outcome = RunCycles(button, cyclesPerRun, 2 + second + !dido);
        EXPECT_EQ(outcome.status, "Command ok.") << "run " << run;
        EXPECT_EQ(Find<QPushButton>(button)->text(), caption);
        EXPECT_TRUE(Find<QWidget>("btnConnect")->isEnabled());
        EXPECT_FALSE(Find<QCheckBox>("chkDO1")->isChecked());
    }
    std::cout << "[ soak ] continuous test runs " << runs << " of " << cyclesPerRun
              << " cycles, all ended; " << wall.elapsed() << " ms, cpu " << CpuShare() << "\n";
}

}  // namespace
