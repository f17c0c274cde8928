#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "gui/firmware_window_fixture.h"

namespace {

class FirmwareFile : public FirmwareWindowFixture {
protected:
    QString WriteRaw(const QByteArray& bytes, const QString& name) {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }
    void Choose(const QString& path) {
        chosenFirmwareFile = path;
        Find<QAction>("mnuFirmwareFile")->trigger();
    }
    void MoveBars() {
        window->SetProgressPosition(ProgressBar::Program, 40);
        window->SetProgressPosition(ProgressBar::Verify, 30);
    }
};

TEST_F(FirmwareFile, ChoosingRemembersThePathAndShowsTheHeader) {
    struct Case {
        const char* name;
        QString path;
        QString status;  // after choosing
    };
    const QString untouched = QStringLiteral("Start connect device");
    const Case cases[] = {
        {"zero fourth byte", WriteRaw(QByteArray("KR4\0V5.02", 9) + ImageData(600), "a.KXB"),
         "KR4"},
        {"no zero byte", WriteRaw("0123456789ABCDEFGHIJ", "b.KXB"), "0123456789ABCDEF"},
        {"shorter than a header", WriteRaw("V5", "c.KXB"), "V5"},
        {"8-bit header", WriteRaw("V\xE9r\xB0", "d.KXB"), QStringLiteral(u"V\u00E9r\u00B0")},
        {"missing", files.filePath("missing.KXB"), untouched},
        {"directory", files.path(), untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        Start();
        MoveBars();
        Choose(c.path);
        EXPECT_EQ(StatusText(), c.status);
        EXPECT_EQ(TextOf("pnFile"), c.path);
        EXPECT_EQ(window->Settings().firmwareFile, c.path);
        EXPECT_TRUE(ReadSettingsRaw().contains("\"FirmwareFile\"=" + Quoted(c.path)));
        EXPECT_EQ(Bar("pbProgram").position, 0);
        EXPECT_EQ(Bar("pbVerify").position, 0);
        EXPECT_TRUE(services.beeps.empty());
    }
}

TEST_F(FirmwareFile, CancelledDialogChangesNothing) {
    const QString path = WriteRaw(Header(), "kept.KXB");
    WriteSettings({{"FirmwareFile", Quoted(path).constData()}});
    Start();
    MoveBars();
    const QByteArray stored = ReadSettingsRaw();
    Choose({});
    EXPECT_EQ(TextOf("pnFile"), path);
    EXPECT_EQ(StatusText(), "Start connect device");
    EXPECT_EQ(Bar("pbProgram").position, 40);
    EXPECT_EQ(Bar("pbVerify").position, 30);
    EXPECT_EQ(ReadSettingsRaw(), stored);
}

// The image is loaded before the link is opened: a file that cannot be read costs no traffic.
TEST_F(FirmwareFile, UnloadableFileStopsTheUpgradeBeforeTheLink) {
    const QString cases[] = {files.filePath("missing.KXB"), files.path(),
                             QStringLiteral("/proc/self/mem")};  // opens, but every read fails
    for (const QString& path : cases) {
        SCOPED_TRACE(path.toStdString());
        window.reset();
        services = RecordingServices();
        StartConnected(WriteImageFile(ImageData(kBlock)));
        Choose(path);
        MoveBars();
        const int pumpsBefore = services.eventPumps;
        Upgrade();
        EXPECT_EQ(StatusText(), "Load firmware file error!");
        EXPECT_EQ(LampColor(), QColor(255, 0, 0));
        EXPECT_EQ(services.beeps, (std::vector<RecordingServices::Tone>{{300, 300ms}}));
        EXPECT_TRUE(services.pauses.empty());
        EXPECT_EQ(services.eventPumps, pumpsBefore);
        EXPECT_TRUE(sim->ReceivedCommands().isEmpty());
        EXPECT_EQ(Bar("pbProgram").position, 0);
        EXPECT_EQ(Bar("pbVerify").position, 0);
        EXPECT_TRUE(window->isEnabled());
        EXPECT_FALSE(window->BusyTimer()->isActive());
    }
}

// The user may type the name of a file that is not there yet: the dialog takes it, and the
// upgrade reports it.
TEST_F(FirmwareFile, DialogTakesATypedNameOfAMissingFile) {
    useFileDialog = true;
    StartConnected(WriteImageFile(ImageData(kBlock)));
    const QString missing = files.filePath("not-built-yet.KXB");
    QTimer::singleShot(0, window.get(), [&] {
        auto* dialog = window->findChild<QFileDialog*>("dlgLoad");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        // A refusal shows a message box: close it and the dialog, so that the test goes on.
        QTimer::singleShot(200, dialog, [dialog] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->reject();
            }
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        name->setFocus();
        QTest::keyClicks(name, missing);
        QTest::keyClick(name, Qt::Key_Return);
    });
    Find<QAction>("mnuFirmwareFile")->trigger();
    EXPECT_EQ(TextOf("pnFile"), missing);
    EXPECT_TRUE(ReadSettingsRaw().contains("\"FirmwareFile\"=" + Quoted(missing)));
    Upgrade();
    EXPECT_EQ(StatusText(), "Load firmware file error!");
    EXPECT_TRUE(sim->ReceivedCommands().isEmpty());
}

}  // namespace
