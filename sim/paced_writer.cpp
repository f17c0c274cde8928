#include "paced_writer.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// A reader that never drains the line must not hold replies forever.
constexpr qint64 kStallLimitMs = 3000;

}  // namespace

PacedWriter::PacedWriter(Sink sink, std::function<void()> hangUp, int lineSpeed,
                         int bitsPerCharacter)
    : sink_(std::move(sink)), hangUp_(std::move(hangUp)) {
    if (lineSpeed > 0 && bitsPerCharacter > 0) {
        bytesPerMs_ = lineSpeed / 1000.0 / bitsPerCharacter;
    }
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Pump(); });
}

void PacedWriter::Send(const ReplyPlan& plan) {
    for (const auto& piece : plan.pieces) {
        queue_.push_back({piece.pauseMs, piece.bytes, false});
    }
    if (plan.close) {
        queue_.push_back({0, {}, true});
    }
    if (!timer_.isActive()) {
        Pump();
    }
}

void PacedWriter::Clear() {
    queue_.clear();
    started_ = false;
    timer_.stop();
}

void PacedWriter::Later(int ms) {
    timer_.start(std::max(ms, 1));
}

// The pause of an item runs from the moment the one before it ended.
bool PacedWriter::Started(Item& item) {
    if (!started_) {
        started_ = true;
        sent_ = 0;
        clock_.start();
        stalled_.start();
    }
    if (clock_.elapsed() < item.pauseMs) {
        Later(static_cast<int>(item.pauseMs - clock_.elapsed()));
        return false;
    }
    if (item.pauseMs > 0) {
        item.pauseMs = 0;
        clock_.start();
    }
    return true;
}

qint64 PacedWriter::Allowed(const Item& item) const {
    const auto left = static_cast<qint64>(item.bytes.size() - sent_);
    if (bytesPerMs_ <= 0) {
        return left;
    }
    // The first character goes at once; the rest as the line would have carried them.
    const auto due = static_cast<qint64>(std::floor(static_cast<double>(clock_.nsecsElapsed()) /
                                                    1e6 * bytesPerMs_)) +
                     1;
    return std::min(left, due - static_cast<qint64>(sent_));
}

void PacedWriter::Pump() {
    while (!queue_.empty()) {
        Item& item = queue_.front();
        if (item.hangUp) {
            Clear();
            hangUp_();  // may destroy this writer's owner; touch nothing afterwards
            return;
        }
        if (!Started(item)) {
            return;
        }
        const qint64 allowed = Allowed(item);
        const qint64 wrote = allowed > 0 ? sink_(item.bytes.data() + sent_, allowed) : 0;
        if (wrote < 0 || (wrote == 0 && allowed > 0 && stalled_.elapsed() > kStallLimitMs)) {
            Clear();
            return;
        }
        if (wrote > 0) {
            stalled_.start();
        }
        sent_ += static_cast<std::size_t>(wrote);
        if (sent_ < item.bytes.size()) {
            Later(1);
            return;
        }
        queue_.pop_front();
        started_ = false;
    }
}

}  // namespace sim
