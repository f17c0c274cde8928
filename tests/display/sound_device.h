#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <thread>

// What the tool plays its beeps on, as an ALSA configuration (ALSA_CONFIG_PATH): no device at
// all, or one that takes the samples at the pace of a real one (48,000 16-bit samples a second,
// through a pipe this side reads at that pace), so that a beep lasts its time and a test can tell
// when one plays.
class SoundDevice {
public:
    enum class Kind { None, Paced };
    explicit SoundDevice(Kind kind);
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    QString ConfigPath() const { return config_; }
    // Samples came within the last 50 ms.
    bool Playing() const;

private:
    void Read(int fifo);

    QTemporaryDir folder_;  // ALSA takes no blank in the name of its configuration
    QString config_;
    std::atomic<bool> stop_{false};
    std::atomic<std::chrono::steady_clock::rep> lastSamples_{0};
    std::thread reader_;
};
