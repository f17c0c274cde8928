#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>

#include "reply_shaper.h"

namespace sim {

// Sends reply plans through a byte sink, in order, keeping their pauses and, with a line speed,
// the pace of a serial line: every millisecond it writes what the line would have carried by
// then, so a reader sees bytes arrive steadily rather than in bursts with long gaps.
// Lives on the serving thread; nothing here blocks it.
class PacedWriter {
public:
    // Writes up to n bytes, returns how many it took (0: try later, < 0: the line is gone).
    using Sink = std::function<qint64(const char* data, qint64 n)>;

    PacedWriter(Sink sink, std::function<void()> hangUp, int lineSpeed, int bitsPerCharacter);

    void Send(const ReplyPlan& plan);
    void Clear();
    bool Idle() const { return queue_.empty(); }

private:
    struct Item {
        int pauseMs = 0;
        std::string bytes;
        bool hangUp = false;
    };

    void Pump();
    bool Started(Item& item);
    qint64 Allowed(const Item& item) const;
    void Later(int ms);

    Sink sink_;
    std::function<void()> hangUp_;
    double bytesPerMs_ = 0;  // 0: as fast as the sink takes them
    std::deque<Item> queue_;
    bool started_ = false;
    std::size_t sent_ = 0;
    QElapsedTimer clock_;
    QElapsedTimer stalled_;
    QTimer timer_;
};

}  // namespace sim
