#pragma once

#include <QElapsedTimer>
#include <QTcpSocket>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "frame_codec.h"
#include "reply_shaper.h"

// Raw clients of the simulator's two endpoints, with no link library in between.
class RawClient {
public:
    virtual ~RawClient() = default;
    virtual bool Ok() const = 0;
    virtual void Write(const std::string& bytes) = 0;
    // Whatever arrives within ms, or less when done(bytes) says so first.
    virtual std::string Read(int ms, bool (*done)(const std::string&)) = 0;

    // The first complete reply (0x03 .. 0x0D) to a framed command, or empty after ms.
    std::string Exchange(const std::string& command, int ms = 500) {
        Write(BuildRequestFrame(command));
        return FirstReply(Read(ms, &HasReply));
    }
    // Everything that arrives until the line has been quiet for a while.
    std::string Drain(int ms = 300) { return Read(ms, nullptr); }

    static std::string FirstReply(const std::string& bytes) {
        const auto start = bytes.find('\x03');
        const auto end = start == std::string::npos ? start : bytes.find('\r', start);
        return end == std::string::npos ? std::string() : bytes.substr(start, end - start + 1);
    }
    static bool HasReply(const std::string& bytes) { return !FirstReply(bytes).empty(); }
};

class TcpClient : public RawClient {
public:
    explicit TcpClient(quint16 port) {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket_.waitForConnected(2000);
    }
    bool Ok() const override { return socket_.state() == QAbstractSocket::ConnectedState; }
    void Write(const std::string& bytes) override {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket_.waitForBytesWritten(1000);
    }
    std::string Read(int ms, bool (*done)(const std::string&)) override {
        std::string got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms && !(done && done(got))) {
            if (socket_.bytesAvailable() == 0 &&
                !socket_.waitForReadyRead(static_cast<int>(ms - clock.elapsed()))) {
                break;
            }
            got += socket_.readAll().toStdString();
        }
        return got;
    }
    QTcpSocket& Socket() { return socket_; }

private:
    QTcpSocket socket_;
};

class PtyClient : public RawClient {
public:
    explicit PtyClient(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios mode{};
        if (fd_ >= 0 && tcgetattr(fd_, &mode) == 0) {
            cfmakeraw(&mode);
            tcsetattr(fd_, TCSANOW, &mode);
            tcflush(fd_, TCIOFLUSH);
        }
    }
    ~PtyClient() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool Ok() const override { return fd_ >= 0; }
    void Write(const std::string& bytes) override {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + at, bytes.size() - at);
            if (n < 0 && errno != EAGAIN) {
                return;
            }
            at += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
    }
    std::string Read(int ms, bool (*done)(const std::string&)) override {
        std::string got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms && !(done && done(got))) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(ms - clock.elapsed())) <= 0) {
                break;
            }
            char buffer[2048];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                hungUp_ = true;
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    bool HungUp() const { return hungUp_; }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

// A reply that passes the check of the link it came over.
inline bool Checked(const std::string& reply, sim::LinkKind link) {
    return link == sim::LinkKind::Serial ? CheckReplyCrc(reply) : CheckReplyXor(reply);
}
