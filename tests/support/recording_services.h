#pragma once

#include <QCoreApplication>
#include <QDateTime>

#include <chrono>
#include <functional>
#include <vector>

#include "services.h"

// Services for tests: pauses and beeps are recorded instead of waited for and played, and the
// clock is fixed unless a test moves it. Events still run, so nested clicks arrive as they would.
class RecordingServices : public Services {
public:
    struct Tone {
        int frequencyHz;
        std::chrono::milliseconds duration;
        friend bool operator==(const Tone&, const Tone&) = default;
    };

    void Pause(std::chrono::milliseconds duration) override {
        pauses.push_back(duration);
        if (onPause) {
            onPause(duration);
        }
    }
    void ProcessEvents() override {
        ++eventPumps;
        if (onProcessEvents) {
            onProcessEvents();
        }
        QCoreApplication::processEvents();
    }
    void Beep(int frequencyHz, std::chrono::milliseconds duration) override {
        beeps.push_back({frequencyHz, duration});
    }
    QDateTime Now() override { return now; }

    void Clear() {
        pauses.clear();
        beeps.clear();
        eventPumps = 0;
    }

    std::vector<std::chrono::milliseconds> pauses;
    std::vector<Tone> beeps;
    int eventPumps = 0;
    QDateTime now{QDate(2007, 6, 23), QTime(14, 5, 9)};
    // Hooks a test uses to act at a pause or an event pump (a click in the middle of a cycle).
    std::function<void(std::chrono::milliseconds)> onPause;
    std::function<void()> onProcessEvents;
};
