#include "console_services.h"

#include <thread>

void ConsoleServices::Pause(std::chrono::milliseconds duration) {
    // sleep_until may wake early on some systems; the steady clock decides when it is over.
    const auto until = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_until(until);
    }
}

void ConsoleServices::ProcessEvents() {
    if (stop_.load()) {
        state_.testRunning = false;
    }
}

QDateTime ConsoleServices::Now() {
    lastNow_ = QDateTime::currentDateTime();
    return lastNow_;
}
