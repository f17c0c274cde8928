#pragma once

#include <QCoreApplication>
#include <QDateTime>

#include <chrono>

// The few things an operation needs from the computer, injected so that tests can record pauses
// and beeps instead of waiting and listening, and can fix the clock.
class Services {
public:
    virtual ~Services() = default;
    // Blocks the calling thread for at least the given time; never ends early.
    virtual void Pause(std::chrono::milliseconds duration);
    // Lets pending user-interface events run.
    virtual void ProcessEvents() = 0;
    // A blocking pause long enough for the desktop to take the window for hung (the 7000 ms
    // after the final firmware command): at least the given time, never less, while the window
    // repaints and answers the window manager; it takes no input meanwhile (the window sees to
    // that). Tests record it as a pause.
    virtual void LongPause(std::chrono::milliseconds duration) { Pause(duration); }
    // Called again and again while a blocking call waits long (the TCP connect), so that the
    // window stays alive for the desktop, taking no input.
    virtual void KeepWindowAlive() { QCoreApplication::processEvents(); }
    // Plays a tone and returns when it has ended; a tone that cannot be played is skipped.
    virtual void Beep(int frequencyHz, std::chrono::milliseconds duration) = 0;
    // The computer's local date and time.
    virtual QDateTime Now() = 0;
};
