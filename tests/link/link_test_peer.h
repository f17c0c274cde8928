#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "support/loopback_listener.h"

// Scripted controller ends for the link tests: the master side of a pseudo-terminal, or a
// loopback TCP listener. The script runs on a thread of its own and is joined by the destructor.
class ScriptedPeer {
public:
    using Script = std::function<void(ScriptedPeer&)>;

    ~ScriptedPeer() {
        Join();
        CloseFd(fd_);
        CloseFd(held_);
        CloseFd(listener_);
    }

    void Run(Script script) {
        thread_ = std::thread([this, script = std::move(script)] { script(*this); });
        // A line keeps its pace however loaded the machine is; the script imitates one, so it
        // runs ahead of ordinary threads where that is allowed.
        sched_param priority{};
        priority.sched_priority = 10;
        ::pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &priority);
    }
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // One request frame, through its 0x0D; empty when none came in time.
    std::string ReadRequest(int timeoutMs = 1000) {
        std::string request;
        char byte = 0;
        while ((request.empty() || request.back() != '\r') && Readable(timeoutMs) &&
               ::read(fd_, &byte, 1) == 1) {
            request += byte;
        }
        return request;
    }
    bool Readable(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
    }
    void Write(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const auto n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    // As a line of `speed` bit/s with 11 bits per character would deliver them.
    void WritePaced(const std::string& bytes, int speed) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t done = 0; done < bytes.size(); done += 8) {
            Write(bytes.substr(done, 8));
            std::this_thread::sleep_until(
                start + std::chrono::microseconds((done + 8) * 11'000'000LL / speed));
        }
    }
    void HangUp() { CloseFd(fd_); }
    // Whether the other end closed within the time: the next read finds the end of the stream,
    // or the reset of an aborted connection.
    bool SeesClosed(int timeoutMs) {
        char byte = 0;
        return Readable(timeoutMs) && ::read(fd_, &byte, 1) <= 0;
    }
    static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // Serial: the pty's slave path; the peer holds the slave open too so its settings persist.
    std::string OpenPty() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(fd_);
        ::unlockpt(fd_);
        path_ = ::ptsname(fd_);
        held_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(held_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(held_, TCSANOW, &raw);
        return path_;
    }
    int SlaveFd() const { return held_; }

    // Network: listens on a free loopback port; the script calls Accept first.
    int Listen() {
        int port = 0;
        listener_ = ListenOnLoopback(&port, 0, 16);
        return port;
    }
    void Accept() {
        CloseFd(fd_);
        fd_ = ::accept(listener_, nullptr, nullptr);
    }

private:
    static void CloseFd(int& fd) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = -1;
    }

    std::thread thread_;
    std::string path_;
    int fd_ = -1;
    int held_ = -1;
    int listener_ = -1;
};

inline double ProcessCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
