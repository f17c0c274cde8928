#pragma once

#include <QJsonObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// Events of many target threads on their way to the one thread that writes the output.
class EventQueue {
public:
    struct Item {
        int target;
        QJsonObject event;
    };

    void Push(int target, QJsonObject event) {
        {
            std::lock_guard lock(mutex_);
            items_.push_back({target, std::move(event)});
        }
        ready_.notify_one();
    }

    // What has come, waiting up to `wait` when nothing has.
    std::vector<Item> Take(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, wait, [this] { return !items_.empty(); });
        std::vector<Item> taken;
        taken.swap(items_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Item> items_;
};
