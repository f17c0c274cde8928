// Drives the real window the way a person would for the demo on a machine without a display:
// Connect, one DIDO test cycle, a controller command, then the same Connect over the serial
// link. Screenshots of each step go to the folder given as the first argument.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "tfrm_module.h"
#include "tool_application.h"

namespace {

class DemoDriver {
public:
    DemoDriver(TfrmModule& window, QString folder) : window_(window), folder_(std::move(folder)) {}

    void Run() {
        Shot("01-start");
        Connect("tsNet", "02-connected-tcp");
        RunOneDidoCycle();
        Page("tsCommand");
        Click("btnCommand");
        Shot("05-controller-command");
        Connect("tsCom", "06-connected-serial");
    }

private:
    template <typename T = QWidget>
    T* Find(const char* name) {
        return window_.findChild<T*>(QString::fromLatin1(name));
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
    void Page(const char* name) {
        QWidget* page = Find(name);
        qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget())->setCurrentWidget(page);
    }
    void Shot(const char* name) {
        QTest::qWait(100);
        const QString path = QDir(folder_).filePath(QString::fromLatin1(name) + ".png");
        window_.grab().save(path);
        std::printf("  %s  (status: %s)\n", qPrintable(path),
                    qPrintable(Find<QLabel>("pnMsg")->text()));
    }
    void Connect(const char* portPage, const char* shot) {
        Page(portPage);
        Click("btnConnect");
        Shot(shot);
    }
    // The test loops inside its click; the cancel click arrives while it processes events.
    void RunOneDidoCycle() {
        Page("tsTest");
        Find<QCheckBox>("chkDO1")->setChecked(true);
        QTimer::singleShot(600, [this] {
            Shot("03-dido-running");
            Click("btnDIDO");
        });
        Click("btnDIDO");
        Shot("04-dido-ended");
    }

    TfrmModule& window_;
    QString folder_;
};

}  // namespace

int main(int argc, char** argv) {
    ToolApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: demo_driver SCREENSHOT_FOLDER\n");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    TfrmModule window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    DemoDriver(window, QString::fromLocal8Bit(argv[1])).Run();
    return 0;
}
