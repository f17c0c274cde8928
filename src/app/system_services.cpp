#include "system_services.h"

#include <QCoreApplication>

#include <thread>

#include "speaker.h"

void SystemServices::Pause(std::chrono::milliseconds duration) {
    // sleep_for may wake early on some systems; loop on the steady clock until the time is up.
    const auto until = std::chrono::steady_clock::now() + duration;
    for (auto now = std::chrono::steady_clock::now(); now < until;
         now = std::chrono::steady_clock::now()) {
        std::this_thread::sleep_for(until - now);
    }
}

void SystemServices::ProcessEvents() {
    QCoreApplication::processEvents();
}

void SystemServices::Beep(int frequencyHz, std::chrono::milliseconds duration) {
    PlayTone(frequencyHz, duration);
}

QDateTime SystemServices::Now() {
    return QDateTime::currentDateTime();
}
