// Renders the window's pages in every language to PNG files, so that a person can look at them.
// With --positions it prints where the controls are instead, for a script that clicks them.
#include <QApplication>
#include <QDir>
#include <QTabBar>
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

// "name x y" for each named control and "tab:page x y" for each shown tab: its centre, from the
// window's top left corner, menu bar included.
void PrintPositions(const TfrmModule& window) {
    const auto print = [&](const QString& name, const QWidget& on, QPoint at) {
        const QPoint in = on.mapTo(&window, at);
        std::printf("%s %d %d\n", qPrintable(name), in.x(), in.y());
    };
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty() && control->window() == &window) {
            print(control->objectName(), *control, control->rect().center());
        }
    }
    for (const QTabWidget* pages : window.findChildren<QTabWidget*>()) {
        for (int tab = 0; tab < pages->count(); ++tab) {
            if (pages->isTabVisible(tab)) {
                print(QStringLiteral("tab:") + pages->widget(tab)->objectName(), *pages->tabBar(),
                      pages->tabBar()->tabRect(tab).center());
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    const bool positions = folder == QLatin1String("--positions");
    QTemporaryDir config;
    if (!config.isValid() || (!positions && !QDir().mkpath(folder))) {
        return 1;
    }
    RecordingServices services;
    TfrmModule::Dependencies deps;
    deps.services = &services;
    deps.portSource = [] { return QStringList{QStringLiteral("/dev/ttyS0")}; };
    deps.settingsLocation = config.filePath(QStringLiteral("KR470QX-V5.reg"));
    TfrmModule window(std::move(deps));
    window.show();
    if (positions) {
        QApplication::processEvents();
        PrintPositions(window);
        return 0;
    }
    window.tmrClockTimer();
    // Usable pages look as they do after a connect.
    window.SetMainPagesEnabled(true);
    window.ShowVersion(QStringLiteral("V1.23"));
    window.Context().state.deviceId = "0001";
    window.ShowSerialNumber(QStringLiteral("12345678"));
    bool ok = true;
    window.mnuEnglishClick();
    ok = Render(window, folder, "en") && ok;
    window.mnuSimplifiedClick();
    ok = Render(window, folder, "gb") && ok;
    window.mnuTraditionalClick();
    ok = Render(window, folder, "big5") && ok;
    return ok ? 0 : 1;
}
