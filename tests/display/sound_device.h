#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <thread>

// The tool's sound device, as an ALSA configuration for ALSA_CONFIG_PATH: none at all, or one that
// takes 16-bit samples at 48 kHz as a sound card does, into a small pipe read at that pace, so
// that a beep lasts its time and the test sees it play.
class SoundDevice {
public:
    enum class Kind { None, Paced };
    explicit SoundDevice(Kind kind);
    ~SoundDevice();

    QString ConfigPath() const { return folder_.filePath(QStringLiteral("alsa.conf")); }
    bool Playing() const;  // samples came within the last 50 ms

private:
    QTemporaryDir folder_;  // ALSA takes no blank in the path of its configuration
    std::atomic<bool> stop_{false};
    std::atomic<std::chrono::steady_clock::rep> lastSamples_{0};
    std::thread reader_;
};
