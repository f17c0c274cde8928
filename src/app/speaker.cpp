#include "speaker.h"

#include <cmath>
#include <numbers>

#if defined(KR_HAVE_ALSA)
#include <alsa/asoundlib.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace {

constexpr int kSampleRate = 48000;
constexpr double kAmplitude = 0.5 * 32767;

#ifdef KR_HAVE_ALSA
// ALSA prints its errors on stderr by default; a missing sound device is not worth a word.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void PlayOnAlsa(const std::vector<std::int16_t>& samples) {
    snd_lib_error_set_handler(&SilentAlsaError);
    snd_pcm_t* pcm = nullptr;
    // A device held by another program must not block the tool: open without waiting, then
    // write blocking so that the call returns when the tone has ended.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        return;
    }
    if (snd_pcm_nonblock(pcm, 0) < 0) {
        snd_pcm_close(pcm);
        return;
    }
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kSampleRate,
                           1, 100000) == 0) {
        const std::int16_t* next = samples.data();
        snd_pcm_uframes_t left = samples.size();
        while (left > 0) {
            snd_pcm_sframes_t written = snd_pcm_writei(pcm, next, left);
            if (written < 0 && snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) {
                break;
            }
            if (written > 0) {
                next += written;
                left -= static_cast<snd_pcm_uframes_t>(written);
            }
        }
        snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
}
#endif

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

void PlayTone(int frequencyHz, std::chrono::milliseconds duration) {
#ifdef KR_HAVE_ALSA
    const std::vector<std::int16_t> samples = ToneSamples(frequencyHz, duration, kSampleRate);
    if (!samples.empty()) {
        PlayOnAlsa(samples);
    }
#elif defined(_WIN32)
    Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(duration.count()));
#else
    (void)frequencyHz;
    (void)duration;
#endif
}
