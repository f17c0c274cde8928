#include "speaker.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kAmplitude = 0.5 * 32767;

}  // namespace

std::vector<std::int16_t> ToneSamples(int frequencyHz, std::chrono::milliseconds duration,
                                      int sampleRate) {
    if (frequencyHz <= 0 || duration.count() <= 0 || sampleRate <= 0) {
        return {};
    }
    const auto count =
        static_cast<std::size_t>(duration.count()) * static_cast<std::size_t>(sampleRate) / 1000;
    std::vector<std::int16_t> samples(count);
    for (std::size_t n = 0; n < count; ++n) {
        // The phase is reduced per sample so that long tones stay exact.
        const auto cycle =
            (static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(frequencyHz)) %
            static_cast<std::uint64_t>(sampleRate);
        const double phase = 2.0 * std::numbers::pi * static_cast<double>(cycle) / sampleRate;
        samples[n] = static_cast<std::int16_t>(std::lround(kAmplitude * std::sin(phase)));
    }
    return samples;
}
