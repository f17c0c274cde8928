#include "sound_device.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBytesPerSecond = 48000 * 2;

}  // namespace

SoundDevice::SoundDevice(Kind kind)
    : folder_(QDir::tempPath() + QStringLiteral("/kr470qx-sound-XXXXXX")),
      config_(folder_.filePath(QStringLiteral("alsa.conf"))) {
    QFile file(config_);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    if (kind == Kind::None) {
        return;  // no "default" device: every beep is skipped
    }
    const QString fifo = folder_.filePath(QStringLiteral("sound.fifo"));
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    file.write(QStringLiteral("pcm.!default { type file slave.pcm { type null } file \"%1\" "
                              "format raw }\n")
                   .arg(fifo)
                   .toUtf8());
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    // A small pipe: the writer waits for this side, as for a sound card's buffer.
    ::fcntl(fd, F_SETPIPE_SZ, 4096);
    reader_ = std::thread([this, fd] { Read(fd); });
}

SoundDevice::~SoundDevice() {
    stop_ = true;
    if (reader_.joinable()) {
        reader_.join();
    }
}

void SoundDevice::Read(int fifo) {
    constexpr auto kSlice = std::chrono::milliseconds(10);
    char samples[kBytesPerSecond / 100];
    while (!stop_) {
        const auto next = Clock::now() + kSlice;
        if (::read(fifo, samples, sizeof samples) > 0) {
            lastSamples_ = Clock::now().time_since_epoch().count();
        }
        std::this_thread::sleep_until(next);
    }
    ::close(fifo);
}

bool SoundDevice::Playing() const {
    const Clock::time_point last{Clock::duration(lastSamples_.load())};
    return Clock::now() - last < std::chrono::milliseconds(50);
}
