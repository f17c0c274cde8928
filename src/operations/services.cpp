#include "services.h"

#include <thread>

void Services::Pause(std::chrono::milliseconds duration) {
    // A sleep may wake early on some systems; the steady clock decides when it is over.
    const auto until = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_until(until);
    }
}
