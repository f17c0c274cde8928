#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// A TCP listener on a free loopback port, for scripted peers. Returns the socket; the port it
// got goes to *port. flags are socket type flags such as SOCK_NONBLOCK.
inline int ListenOnLoopback(int* port, int flags = 0, int backlog = 4) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | flags, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener, backlog);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    *port = ntohs(address.sin_port);
    return listener;
}

// A listener that takes one connection into its queue and never accepts it: the next connect
// gets no answer at all (the kernel drops its SYN), as from a controller that is off.
class SilentLoopbackPort {
public:
    SilentLoopbackPort() : listener_(ListenOnLoopback(&port_, 0, 0)) {
        filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = Loopback(port_);
        ::connect(filler_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    ~SilentLoopbackPort() {
        ::close(filler_);
        ::close(listener_);
    }
    SilentLoopbackPort(const SilentLoopbackPort&) = delete;
    SilentLoopbackPort& operator=(const SilentLoopbackPort&) = delete;
    int Port() const { return port_; }

    static sockaddr_in Loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        return address;
    }

private:
    int port_ = 0;
    int listener_ = -1;
    int filler_ = -1;
};

// A loopback port with nothing listening: bound, so that no one else takes it meanwhile, and
// every connect to it is refused.
class RefusingLoopbackPort {
public:
    RefusingLoopbackPort() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address = SilentLoopbackPort::Loopback(0);
        socklen_t size = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~RefusingLoopbackPort() { ::close(fd_); }
    RefusingLoopbackPort(const RefusingLoopbackPort&) = delete;
    RefusingLoopbackPort& operator=(const RefusingLoopbackPort&) = delete;
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};
