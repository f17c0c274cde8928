// Renders the window's pages in every language to PNG files, so that a person can look at them.
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

#include "support/recording_services.h"
#include "tfrm_module.h"

namespace {

struct Shot {
    const char* page;
    const char* name;
};

bool Render(TfrmModule& window, const QString& folder, const char* language) {
    for (const Shot& shot :
         {Shot{"tsTest", "test"}, Shot{"tsFirmware", "firmware"}, Shot{"tsCommand", "command"},
          Shot{"tsCom", "com"}, Shot{"tsNet", "net"}}) {
        auto* page = window.findChild<QWidget*>(QLatin1String(shot.page));
        // A page's parent is the stack inside its page control.
        qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget())->setCurrentWidget(page);
        QApplication::processEvents();
        const QString file = QStringLiteral("%1/%2-%3.png").arg(folder, shot.name, language);
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QTemporaryDir config;
    if (!config.isValid() || !QDir().mkpath(folder)) {
        return 1;
    }
    RecordingServices services;
    TfrmModule::Dependencies deps;
    deps.services = &services;
    deps.portSource = [] { return QStringList{QStringLiteral("/dev/ttyS0")}; };
    deps.settingsLocation = config.filePath(QStringLiteral("KR470QX-V5.reg"));
    TfrmModule window(std::move(deps));
    window.show();
    window.tmrClockTimer();
    // Usable pages look as they do after a connect.
    window.SetMainPagesEnabled(true);
    window.ShowVersion(QStringLiteral("V1.23"));
    window.ShowSerialNumber(QStringLiteral("12345678-0001"));
    bool ok = true;
    window.mnuEnglishClick();
    ok = Render(window, folder, "en") && ok;
    window.mnuSimplifiedClick();
    ok = Render(window, folder, "gb") && ok;
    window.mnuTraditionalClick();
    ok = Render(window, folder, "big5") && ok;
    return ok ? 0 : 1;
}
