#include "tool_application.h"

#include <QMessageBox>

#include <exception>

ToolApplication::ToolApplication(int& argc, char** argv)
    : QApplication(argc, argv), display_(&ShowErrorBox) {
    // The application's own name, where the platform shows one (the window class, the desktop
    // entry). No display name: xcb, Wayland and Windows append that to every window title, and
    // the main window's title bar must show its caption exactly.
    setApplicationName(QString::fromLatin1(kApplicationTitle));
    setDesktopFileName(QStringLiteral("kr470qx-tools"));
}

bool ToolApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunShowingErrors([&] { handled = QApplication::notify(receiver, event); },
                     [this](const QString& message) { ShowError(message); });
    return handled;
}

void ToolApplication::ShowError(const QString& message) const {
    if (display_) {
        display_(message);
    }
}

void ShowErrorBox(const QString& message) {
    QMessageBox::critical(nullptr, QString::fromLatin1(kApplicationTitle), message);
}

bool RunShowingErrors(const std::function<void()>& fn, const ToolApplication::ErrorDisplay& show) {
    try {
        fn();
        return true;
    } catch (const std::exception& error) {
        show(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        show(QStringLiteral("Unknown error"));
    }
    return false;
}
