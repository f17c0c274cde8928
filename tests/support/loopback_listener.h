#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

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
