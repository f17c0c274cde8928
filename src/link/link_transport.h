#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

class ReplyCollector;

// How long a transaction waits for its reply (the serial link lets a reply that keeps coming run
// past it).
inline constexpr std::chrono::milliseconds kReplyTimeout{300};

// One open link: moves a request out and reply bytes in, by the collection rules of its kind.
class LinkTransport {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~LinkTransport() = default;

    // Returns once the frame has left (as far as the link can tell); false when it has not left
    // in the time it takes, a lost request: no reply to it is waited for. A dead link is silence.
    virtual bool Send(const QByteArray& frame) = 0;

    // Feeds received bytes to the collector until it reports a complete reply (true) or the
    // reply time-out, counted from `start`, has passed (false).
    virtual bool Collect(ReplyCollector& collector, Clock::time_point start) = 0;

    // The reply check that belongs to this kind of link.
    virtual bool CheckReply(const std::uint8_t* reply, std::size_t count) const = 0;

    // False once the other end has gone (the connection closed, the port hung up): nothing more
    // can come on this link.
    virtual bool Connected() const = 0;
};

// What is left until `until`, for Qt's millisecond waits: at least 1, so a wait never spins.
inline int MillisecondsUntil(LinkTransport::Clock::time_point until) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::ceil<milliseconds>(until - LinkTransport::Clock::now());
    return static_cast<int>(std::max<milliseconds::rep>(left.count(), 1));
}

// Writes the frame and waits until the device has handed all of it to the system, or `until`.
inline bool WriteWithin(QIODevice& device, const QByteArray& frame,
                        LinkTransport::Clock::time_point until) {
    device.write(frame);
    while (device.bytesToWrite() > 0 && LinkTransport::Clock::now() < until &&
           device.waitForBytesWritten(MillisecondsUntil(until))) {
    }
    return device.bytesToWrite() == 0;
}

// A dead link fails every wait at once, and nothing more can come on it: the transaction ends at
// its deadline as one that met a silent line does, without spinning until then.
inline bool FailAtDeadline(LinkTransport::Clock::time_point deadline) {
    std::this_thread::sleep_until(deadline);
    return false;
}
