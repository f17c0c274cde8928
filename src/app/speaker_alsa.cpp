#include <alsa/asoundlib.h>

#include "speaker.h"

namespace {

constexpr int kSampleRate = 48000;

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

}  // namespace

void PlayTone(int frequencyHz, std::chrono::milliseconds duration) {
    const std::vector<std::int16_t> samples = ToneSamples(frequencyHz, duration, kSampleRate);
    if (!samples.empty()) {
        PlayOnAlsa(samples);
    }
}
