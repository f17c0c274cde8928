#pragma once

#include "services.h"

// The computer itself: a pause that never ends early, the toolkit's event pump, the speaker and
// the local clock.
class SystemServices : public Services {
public:
    void Pause(std::chrono::milliseconds duration) override;
    void ProcessEvents() override;
    void LongPause(std::chrono::milliseconds duration) override;
    void Beep(int frequencyHz, std::chrono::milliseconds duration) override;
    QDateTime Now() override;
};
