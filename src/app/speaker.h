#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

// One channel of signed 16-bit samples of a sine tone, starting at phase 0.
std::vector<std::int16_t> ToneSamples(int frequencyHz, std::chrono::milliseconds duration,
                                      int sampleRate);

// Plays a tone on the default sound device and returns when it has ended. Any failure (no
// device, no sound system) is silent and returns at once.
void PlayTone(int frequencyHz, std::chrono::milliseconds duration);
