#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <random>

#include "controller_model.h"
#include "frame_codec.h"
#include "gui/soak_fixture.h"

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
    QByteArray Flash() {
        QByteArray flash;
        sim->WithModel([&flash](sim::ControllerModel& model) {
            flash = QByteArray(reinterpret_cast<const char*>(model.Flash().data()),
                               static_cast<qsizetype>(model.Flash().size()));
        });
        return flash;
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
            const QByteArray flash = Flash();
            ASSERT_EQ(flash.left(image.size()), image) << "run " << run << " seed " << seed;
            ASSERT_EQ(flash.mid(image.size()).count('\xFF'), flash.size() - image.size());
        }
    }
    std::cout << "[ soak ] firmware upgrades " << runs << ": ok " << ok << ", error " << runs - ok
              << ", " << wall.elapsed() << " ms\n";
}

class ConsoleSoak : public Soak {};

TEST_F(ConsoleSoak, EveryCommandEndsWithACheckedReplyOrAnError) {
    const quint32 seed = Seed(4701);
    StartFaulty(
        "drop:p=0.05,corrupt:p=0.05,length:p=0.05,noise:p=0.1,split:p=0.1:pieces=4:gap=30,"
        "close:p=0.02,twice:p=0.03,delay:p=0.03:ms=350",
        seed);
    ShowPage("tsCommand");
    const QStringList commands = {"AB", "DB", "AS", "DG0", "", "zz", "JF3"};
    const int runs = Count(40, 1000);
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
        if (outcome.status == "Command ok.") {
            EXPECT_TRUE(CheckReplyXor(std::string_view(last.constData(), last.size())))
                << "run " << run;
            EXPECT_FALSE(reply->text().isEmpty());
        } else {
            EXPECT_EQ(outcome.status, "Command error!") << "run " << run;
            EXPECT_EQ(reply->text(), shownBefore) << "run " << run;
        }
    }
    std::cout << "[ soak ] console commands " << runs << ": ok " << outcomes["Command ok."]
              << ", error " << outcomes["Command error!"] << ", " << wall.elapsed() << " ms, cpu "
              << CpuShare() << "\n";
}

class ContinuousSoak : public Soak {
protected:
    // Starts the test on button, lets it run `cycles` cycles, cancels it with a second click.
    Outcome RunCycles(const char* button, int cycles) {
        const qsizetype startInputs = sim->ReceivedCommands().filter("DG0").size();
        services.onProcessEvents = [this, button, cycles, startInputs,
                                    cancelled = false]() mutable {
            if (!cancelled &&
                sim->ReceivedCommands().filter("DG0").size() - startInputs >= cycles) {
                cancelled = true;
                Click(button);
            }
        };
        const qsizetype before = Requests();
        const Outcome outcome = Run(button, 600000);
        services.onProcessEvents = nullptr;
        ExpectNoHang(outcome, Requests() - before);
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
        Find<QCheckBox>("chkDO3")->setChecked(run % 4 < 2);
        const Outcome outcome = RunCycles(button, cyclesPerRun);
        EXPECT_EQ(outcome.status, "Command ok.") << "run " << run;
        EXPECT_EQ(Find<QPushButton>(button)->text(), caption);
        EXPECT_TRUE(Find<QWidget>("btnConnect")->isEnabled());
        EXPECT_FALSE(Find<QCheckBox>("chkDO1")->isChecked());
    }
    std::cout << "[ soak ] continuous test runs " << runs << " of " << cyclesPerRun
              << " cycles, all ended; " << wall.elapsed() << " ms, cpu " << CpuShare() << "\n";
}

}  // namespace
