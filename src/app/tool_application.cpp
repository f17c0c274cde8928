#include "tool_application.h"

#include <QMessageBox>

#include <exception>

ToolApplication::ToolApplication(int& argc, char** argv)
    : QApplication(argc, argv), display_(&ShowErrorBox) {
    setApplicationDisplayName(QStringLiteral("KR470QX-V5 Tools"));
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
    QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), message);
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
