#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "controller_model.h"
#include "gui/soak_fixture.h"
#include "support/sim_flash.h"

// Firmware files that are not what an upgrade expects. A file that cannot be read stops the
// upgrade before the link is opened; anything that reads is sent as the image it gives.
namespace {

class BadFirmwareFile : public SoakFixture {
protected:
    void SetUp() override {
        SoakFixture::SetUp();
        allowed = {"Load firmware file error!",
                   "Connecting device ...",
                   "Programming ...",
                   "Verifying ...",
                   "Upgrading ...",
                   "Command ok.",
                   "Command error!"};
    }
    void Connect(const QString& firmwareFile) {
        const QByteArray path = '"' + firmwareFile.toUtf8() + '"';
        StartFaulty("", 1, {{"FirmwareFile", path.constData()}});
        ShowPage("tsFirmware");
    }
    QString FilePath(const char* name) const { return configDir.filePath(QLatin1String(name)); }
};

QByteArray Pattern(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) {
        data[i] = static_cast<char>(i * 13 + i / 509);
    }
    return data;
}

TEST_F(BadFirmwareFile, UnreadableFilesStopBeforeTheLink) {
    struct Case {
        const char* name;
        QString path;
    };
    QDir().mkpath(FilePath("folder.KXB"));
    const Case cases[] = {
        {"a folder", FilePath("folder.KXB")},
        {"no such file", FilePath("missing.KXB")},
        {"opens but every read fails", QStringLiteral("/proc/self/mem")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Connect(c.path);
        const Outcome outcome = Run("btnFirmware", 1000);
        EXPECT_EQ(outcome.status, "Load firmware file error!");
        EXPECT_EQ(LampColor(), QColor(255, 0, 0));
        EXPECT_EQ(sim->ReceivedCommands(), QStringList());
        window.reset();
    }
}

TEST_F(BadFirmwareFile, EmptyAndHugeFilesAreSentAsTheImageTheyGive) {
    const QString empty = FilePath("empty.KXB");
    QFile(empty).open(QIODevice::WriteOnly);
    Connect(empty);
    EXPECT_EQ(Run("btnFirmware", 2000).status, "Command ok.");
    EXPECT_EQ(sim->ReceivedCommands(), QStringList({"0001Zx6D2A", "0001ZrC4E9"}));
    window.reset();

    // 100 MB, sparse: only the first 63,488 bytes after the header are ever sent.
    const QString huge = FilePath("huge.KXB");
    const QByteArray data = Pattern(124 * 512);
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(16, 'H') + data + "beyond the last block");
    ASSERT_TRUE(file.resize(100 << 20));
    file.close();
    Connect(huge);
    EXPECT_EQ(Run("btnFirmware", 60000).status, "Command ok.");
    EXPECT_EQ(sim->ReceivedCommands().size(), 1 + 124 + 124 + 1);
    EXPECT_EQ(SimFlash(*sim), data);
}

// A named pipe with no writer blocks whoever opens it for reading. Choosing it or upgrading from
// it must fail at once instead of freezing the window until some other program writes to it.
TEST_F(BadFirmwareFile, NamedPipeDoesNotFreezeTheWindow) {
    const QString pipe = FilePath("pipe.KXB");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    // Stands in for the other program, so that a blocked open ends and the test can report it.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        while (!done) {
            const int fd = ::open(pipe.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    Connect(pipe);
    chosenFirmwareFile = pipe;
    QElapsedTimer clock;
    clock.start();
    Find<QAction>("mnuFirmwareFile")->trigger();
    EXPECT_LT(clock.elapsed(), 1000) << "choosing the pipe blocked";
    const Outcome outcome = Run("btnFirmware", 1000);
    EXPECT_EQ(outcome.status, "Load firmware file error!");
    EXPECT_EQ(sim->ReceivedCommands(), QStringList());
    done = true;
    writer.join();
}

}  // namespace
