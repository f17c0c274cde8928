#include <windows.h>

#include "speaker.h"

// The speaker beep of the system: it returns when the tone has ended.
void PlayTone(int frequencyHz, std::chrono::milliseconds duration) {
    Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(duration.count()));
}
