#include "system_services.h"

#include <QCoreApplication>

#include <algorithm>
#include <thread>

#include "speaker.h"

void SystemServices::LongPause(std::chrono::milliseconds duration) {
    // The same pause, cut into slices with the window's events run in between: it repaints, its
    // timers fire and it answers the window manager's pings. The window takes no input.
    constexpr std::chrono::milliseconds kSlice{10};
    const auto until = std::chrono::steady_clock::now() + duration;
    for (auto now = std::chrono::steady_clock::now(); now < until;
         now = std::chrono::steady_clock::now()) {
        KeepWindowAlive();
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - std::chrono::steady_clock::now(), kSlice));
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
