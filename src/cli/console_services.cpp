#include "console_services.h"

void ConsoleServices::ProcessEvents() {
    if (stop_.load()) {
        state_.testRunning = false;
    }
}

QDateTime ConsoleServices::Now() {
    lastNow_ = QDateTime::currentDateTime();
    return lastNow_;
}
