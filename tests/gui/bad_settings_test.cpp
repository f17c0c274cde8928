#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>

#include <random>

#include "gui/soak_fixture.h"
#include "reg_file_format.h"

// Settings files and stores the tool did not write, or that change under it: each start shows a
// clear set of values, and nothing the tool cannot read is overwritten by reading it.
namespace {

class BadSettings : public SoakFixture {
protected:
    QString Port() const { return Find<QComboBox>("cmbPort")->currentText(); }
    QString Ip() const { return Find<QLineEdit>("edIP")->text(); }
    QString FirmwareFile() const { return TextOf("pnFile"); }
    void Menu(const char* name) { Find<QAction>(name)->trigger(); }

    struct FileStamp {
        qint64 size;
        QDateTime modified;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };
    FileStamp Stamp() const {
        const QFileInfo info(SettingsPath());
        return {info.size(), info.lastModified()};
    }
};

QByteArray Binary() {
    std::mt19937 random(7);
    QByteArray bytes(4096, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

TEST_F(BadSettings, FilesThatCannotBeReadGiveDefaultsAndAreLeftAsTheyAre) {
    const QByteArray header =
        "Windows Registry Editor Version "
        "5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5]\n";
    struct Case {
        const char* name;
        QByteArray content;
        qint64 growTo;  // sparse size, 0 to keep the content's size
        const char* port;
        const char* ip;
    };
    const Case cases[] = {
        {"empty", "", 0, "COM1", "192.168.1.101"},
        {"binary", Binary(), 0, "COM1", "192.168.1.101"},
        {"100 MB", header + "\"ComPortName\"=\"COM7\"\n", 100 << 20, "COM1", "192.168.1.101"},
        {"duplicate names, the last one counts",
         header + "\"NetIP\"=\"10.0.0.1\"\n\"NetIP\"=\"10.0.0.2\"\n", 0, "COM1", "10.0.0.2"},
        {"port name held as an integer ends the reading there",
         header + "\"ComPortName\"=dword:00000007\n\"NetIP\"=\"10.0.0.3\"\n", 0, "COM1",
         "192.168.1.101"},
        {"unterminated text", header + "\"ComPortName\"=\"COM7\n\"NetIP\"=\"10.0.0.4\"\n", 0,
         "COM1", "192.168.1.101"},
        {"text without quotes", header + "\"ComPortName\"=COM7\n", 0, "COM1", "192.168.1.101"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettingsRaw(c.content);
        if (c.growTo > 0) {
            ASSERT_TRUE(QFile::resize(SettingsPath(), c.growTo));
        }
        const FileStamp before = Stamp();
        QElapsedTimer clock;
        clock.start();
        Start();
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_EQ(Port(), c.port);
        EXPECT_EQ(Ip(), c.ip);
        window.reset();
        EXPECT_EQ(Stamp(), before);
        if (c.growTo == 0) {
            EXPECT_EQ(ReadSettingsRaw(), c.content);
        }
    }
}

// As root, permissions do not stop a write: the file or its folder is replaced by something that
// cannot be written instead. Saves then do nothing, and the operations still succeed.
TEST_F(BadSettings, StoreThatBecomesUnwritableAfterLoadingIsLeftAlone) {
    struct Case {
        const char* name;
        std::function<void(const QString& file)> breakStore;
        std::function<bool(const QString& file)> stillBroken;
    };
    const Case cases[] = {
        {"file replaced by a folder",
         [](const QString& file) { QFile::remove(file), QDir().mkpath(file); },
         [](const QString& file) { return QFileInfo(file).isDir(); }},
        {"folder replaced by a file",
         [](const QString& file) {
             const QString folder = QFileInfo(file).path();
             QDir(folder).removeRecursively();
             QFile blocker(folder);
             blocker.open(QIODevice::WriteOnly);
             blocker.write("not a folder");
         },
         [](const QString& file) { return QFileInfo(QFileInfo(file).path()).isFile(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartFaulty("", 1);
        c.breakStore(SettingsPath());
        Click("btnConnect");
        EXPECT_EQ(StatusText(), "Command ok.");
        EXPECT_TRUE(Find<QWidget>("pcMain")->isEnabled());
        Menu("mnuSimplified");
        Menu("mnuEnglish");
        EXPECT_TRUE(Find<QAction>("mnuEnglish")->isChecked());
        EXPECT_TRUE(c.stillBroken(SettingsPath()));
        window.reset();
        sim.reset();
        QDir(QFileInfo(SettingsPath()).path()).removeRecursively();
        QFile::remove(QFileInfo(SettingsPath()).path());
    }
}

// A text stored as an expandable string may hold a line break, which a quoted text cannot. The
// next save must not turn the file into one that no longer reads, or every setting is lost.
TEST_F(BadSettings, SavingKeepsTheFileReadableWhateverTextItHolds) {
    WriteSettings({{"FirmwareFile", "\"/srv/firmware/KR470QX.KXB\""},
                   {"ComPortName", "\"/dev/ttyUSB1\""},
                   {"Note", "hex(2):41,00,0a,00,42,00,00,00"}});
    Start();
    Menu("mnuSimplified");
    window.reset();
    QSettings::SettingsMap stored;
    EXPECT_TRUE(RegFile::Parse(ReadSettingsRaw(), stored)) << ReadSettingsRaw().toStdString();
    // A new run: within one process the settings layer keeps what it wrote and would not read
    // the file again unless its time changed.
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    file.close();
    Start();
    EXPECT_EQ(FirmwareFile(), "/srv/firmware/KR470QX.KXB");
    EXPECT_EQ(Port(), "/dev/ttyUSB1");
    EXPECT_TRUE(ReadSettingsRaw().contains("\"LanguageFlag\"=\"ChineseGB\""));
}

}  // namespace
