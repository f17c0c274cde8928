#pragma once

#include "services.h"

// The computer itself: the toolkit's event pump, a long pause during which the window stays alive,
// the speaker and the local clock.
class SystemServices : public Services {
public:
    void ProcessEvents() override;
    void LongPause(std::chrono::milliseconds duration) override;
    void Beep(int frequencyHz, std::chrono::milliseconds duration) override;
    QDateTime Now() override;
};
