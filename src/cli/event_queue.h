#pragma once

#include <QJsonObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// Events of many target threads on their way to the one thread that writes the output. Only an
// urgent event wakes that thread; the rest wait for its next look (a tenth of a second at most),
// so that a fleet's thousands of block events do not each cost it a wake-up.
class EventQueue {
public:
    struct Item {
        int target;
        QJsonObject event;
    };

    void Push(int target, QJsonObject event, bool urgent) {
        {
            std::lock_guard lock(mutex_);
            items_.push_back({target, std::move(event)});
            urgent_ = urgent_ || urgent;
        }
        if (urgent) {
            ready_.notify_one();
        }
    }

    // What has come, once something urgent has or `wait` has passed.
    std::vector<Item> Take(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, wait, [this] { return urgent_; });
        urgent_ = false;
        std::vector<Item> taken;
        taken.swap(items_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Item> items_;
    bool urgent_ = false;
};
