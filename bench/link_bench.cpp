// Transaction round trips against an in-process responder, as a ratio to a bare echo of the same
// bytes over the same kind of channel, and the CPU share of a transaction that meets silence.
#include <QCoreApplication>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "frame_codec.h"
#include "link.h"
#include "support/loopback_listener.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 1000;
constexpr int kRuns = 5;

std::string ReadFrame(int fd) {
    std::string frame;
    char byte = 0;
    while ((frame.empty() || frame.back() != '\r') && ::read(fd, &byte, 1) == 1) {
        frame += byte;
    }
    return frame;
}

void WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

// The echo client reads as a program would, in blocks, until the frame's end arrives.
void ReadEcho(int fd) {
    char block[1500];
    for (ssize_t n = ::read(fd, block, sizeof block); n > 0 && block[n - 1] != '\r';
         n = ::read(fd, block, sizeof block)) {
    }
}

// Answers every frame until the channel closes: with `reply`, or with the frame itself if empty.
void Respond(int fd, const std::string& reply) {
    for (std::string frame = ReadFrame(fd); !frame.empty(); frame = ReadFrame(fd)) {
        WriteAll(fd, reply.empty() ? frame : reply);
    }
}

struct Channel {
    int peer = -1;      // the responder's end
    int listener = -1;  // network only
    std::string path;   // serial only
    int port = 0;       // network only
};

Channel OpenPty() {
    Channel channel;
    channel.peer = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(channel.peer);
    ::unlockpt(channel.peer);
    channel.path = ::ptsname(channel.peer);
    return channel;
}

Channel Listen() {
    Channel channel;
    channel.listener = ListenOnLoopback(&channel.port);
    return channel;
}

LinkSettings SettingsFor(const Channel& channel, bool serial) {
    LinkSettings settings;
    settings.type = serial ? LinkType::Serial : LinkType::Network;
    settings.portName = QString::fromStdString(channel.path);
    settings.ip = QStringLiteral("127.0.0.1");
    settings.tcpPort = QString::number(channel.port);
    return settings;
}

int AcceptFast(int listener) {
    const int fd = ::accept(listener, nullptr, nullptr);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Micros(Clock::time_point since) {
    return std::chrono::duration<double, std::micro>(Clock::now() - since).count();
}

// Median round trip of Transact against a responder that gives a fixed valid reply.
double TransactMedian(bool serial) {
    Channel channel = serial ? OpenPty() : Listen();
    const std::string reply = serial ? BuildSerialReply("0000") : BuildNetworkReply("0000000");
    std::thread responder([&] {
        const int fd = serial ? channel.peer : AcceptFast(channel.listener);
        Respond(fd, reply);
        ::close(fd);
    });
    Link link;
    link.SetSettings(SettingsFor(channel, serial));
    std::vector<double> times;
    if (link.OpenLink()) {
        for (int n = 0; n < kRoundTrips; ++n) {
            const auto start = Clock::now();
            const bool ok = link.Transact("0000AC");
            times.push_back(ok ? Micros(start) : 1e9);
        }
    }
    link.CloseLink();
    if (!serial) {
        ::close(channel.listener);
    }
    responder.join();
    return times.empty() ? 1e9 : Median(times);
}

// Median round trip of the same request bytes echoed over the same kind of channel.
double EchoMedian(bool serial) {
    Channel channel = serial ? OpenPty() : Listen();
    std::thread responder([&] {
        const int fd = serial ? channel.peer : AcceptFast(channel.listener);
        Respond(fd, {});
        ::close(fd);
    });
    int fd = -1;
    if (serial) {
        fd = ::open(channel.path.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        ::tcgetattr(fd, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
    } else {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(channel.port));
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    const std::string request = BuildRequestFrame("0000AC");
    std::vector<double> times;
    for (int n = 0; n < kRoundTrips; ++n) {
        const auto start = Clock::now();
        WriteAll(fd, request);
        ReadEcho(fd);
        times.push_back(Micros(start));
    }
    ::close(fd);
    if (!serial) {
        ::close(channel.listener);
    }
    responder.join();
    return Median(times);
}

double CpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU time as a share of wall time of one Transact that meets a silent peer.
double SilentCpuShare(bool serial) {
    Channel channel = serial ? OpenPty() : Listen();
    Link link;
    link.SetSettings(SettingsFor(channel, serial));
    double share = 1;
    if (link.OpenLink()) {
        const double cpu = CpuMs();
        const auto start = Clock::now();
        link.Transact("0000AC");
        share = (CpuMs() - cpu) / (Micros(start) / 1e3);
    }
    link.CloseLink();
    ::close(serial ? channel.peer : channel.listener);
    return share;
}

void Report(const char* name, bool serial) {
    std::vector<double> transact, echo, ratio, cpu;
    for (int run = 0; run < kRuns; ++run) {
        transact.push_back(TransactMedian(serial));
        echo.push_back(EchoMedian(serial));
        ratio.push_back(transact.back() / echo.back());
        cpu.push_back(SilentCpuShare(serial));
        std::printf("%s run %d: Transact %.1f us, echo %.1f us, ratio %.2f, silent CPU %.2f %%\n",
                    name, run + 1, transact.back(), echo.back(), ratio.back(), cpu.back() * 100);
    }
    std::printf("%s median: Transact %.1f us, echo %.1f us, ratio %.2f, silent CPU %.2f %%\n\n",
                name, Median(transact), Median(echo), Median(ratio), Median(cpu) * 100);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Report("tcp", false);
    Report("pty", true);
    return 0;
}
