#include "sound_device.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

SoundDevice::SoundDevice(Kind kind) : folder_(QStringLiteral("/tmp/kr470qx-sound-XXXXXX")) {
    QFile config(ConfigPath());
    if (!config.open(QIODevice::WriteOnly) || kind == Kind::None) {
        return;  // no "default" device: every beep is skipped
    }
    const QByteArray fifo = QFile::encodeName(folder_.filePath(QStringLiteral("sound.fifo")));
    ::mkfifo(fifo.constData(), 0600);
    config.write("pcm.!default { type file slave.pcm { type null } file \"" + fifo +
                 "\" format raw }\n");
    const int fd = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ::fcntl(fd, F_SETPIPE_SZ, 4096);  // the writer waits for this side, as for a card's buffer
    reader_ = std::thread([this, fd] {
        char samples[48000 * 2 / 100];  // 10 ms of them
        while (!stop_) {
            const auto next = Clock::now() + std::chrono::milliseconds(10);
            if (::read(fd, samples, sizeof samples) > 0) {
                lastSamples_ = Clock::now().time_since_epoch().count();
            }
            std::this_thread::sleep_until(next);
        }
        ::close(fd);
    });
}

SoundDevice::~SoundDevice() {
    stop_ = true;
    if (reader_.joinable()) {
        reader_.join();
    }
}

bool SoundDevice::Playing() const {
    const Clock::time_point last{Clock::duration(lastSamples_.load())};
    return Clock::now() - last < std::chrono::milliseconds(50);
}
