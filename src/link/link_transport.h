#pragma once

#include <QByteArray>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>

class ReplyCollector;

// One open link: moves a request out and reply bytes in, by the collection rules of its kind.
class LinkTransport {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~LinkTransport() = default;

    // Returns once the frame has left (as far as the link can tell); failures show as silence.
    virtual void Send(const QByteArray& frame) = 0;

    // Feeds received bytes to the collector until it reports a complete reply (true) or the
    // reply time-out, counted from `start`, has passed (false).
    virtual bool Collect(ReplyCollector& collector, Clock::time_point start) = 0;

    // The reply check that belongs to this kind of link.
    virtual bool CheckReply(const std::uint8_t* reply, std::size_t count) const = 0;
};

// What is left until `until`, for Qt's millisecond waits: at least 1, so a wait never spins.
inline int MillisecondsUntil(LinkTransport::Clock::time_point until) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::ceil<milliseconds>(until - LinkTransport::Clock::now());
    return static_cast<int>(std::max<milliseconds::rep>(left.count(), 1));
}
