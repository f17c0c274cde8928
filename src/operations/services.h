#pragma once

#include <QDateTime>

#include <chrono>

// The few things an operation needs from the computer, injected so that tests can record pauses
// and beeps instead of waiting and listening, and can fix the clock.
class Services {
public:
    virtual ~Services() = default;
    // Blocks the calling thread for at least the given time; never ends early.
    virtual void Pause(std::chrono::milliseconds duration) = 0;
    // Lets pending user-interface events run.
    virtual void ProcessEvents() = 0;
    // Plays a tone and returns when it has ended; a tone that cannot be played is skipped.
    virtual void Beep(int frequencyHz, std::chrono::milliseconds duration) = 0;
    // The computer's local date and time.
    virtual QDateTime Now() = 0;
};
