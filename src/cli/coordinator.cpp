#include "coordinator.h"

#include <QThread>

#include <memory>
#include <vector>

#include "event_output.h"
#include "event_queue.h"
#include "target_run.h"

namespace {

using namespace std::chrono_literals;

// A target's thread holds its own link and a few kilobytes of frames: a small stack will do,
// and keeps hundreds of targets cheap.
constexpr uint kTargetStackSize = 512 * 1024;

class Coordinator {
public:
    Coordinator(const CliRequest& request, EventOutput& output)
        : request_(request),
          output_(output),
          threads_(static_cast<std::size_t>(request.targets.size())),
          results_(request.targets.size()) {}

    QList<QJsonObject> Run(const std::atomic<bool>& interrupted);

private:
    void StartNext();
    void Deliver(int k, QJsonObject event);
    void StopAll();

    const CliRequest& request_;
    EventOutput& output_;
    std::atomic<bool> stop_{false};
    EventQueue queue_;
    std::vector<std::unique_ptr<QThread>> threads_;
    QList<QJsonObject> results_;
    int next_ = 0;
    int running_ = 0;
    int done_ = 0;
};

QList<QJsonObject> Coordinator::Run(const std::atomic<bool>& interrupted) {
    const int count = static_cast<int>(request_.targets.size());
    const int jobs = request_.jobs > 0 ? request_.jobs : std::min(count, kDefaultJobs);
    while (next_ < count && running_ < jobs) {
        StartNext();
    }
    while (done_ < count) {
        if (interrupted.load() && !stop_.load()) {
            StopAll();
        }
        for (EventQueue::Item& item : queue_.Take(100ms)) {
            Deliver(item.target, std::move(item.event));
        }
        while (!stop_.load() && next_ < count && running_ < jobs) {
            StartNext();
        }
        output_.Idle();
    }
    return results_;
}

void Coordinator::StartNext() {
    const int k = next_++;
    ++running_;
    auto thread = std::unique_ptr<QThread>(QThread::create([this, k] {
        RunTarget(request_, request_.targets[k], stop_, [this, k](QJsonObject event) {
            // A result frees a place for the next target at once.
            const bool last = event.value(QLatin1String("event")) == QLatin1String("result");
            queue_.Push(k, std::move(event), last);
        });
    }));
    thread->setStackSize(kTargetStackSize);
    thread->start();
    threads_[static_cast<std::size_t>(k)] = std::move(thread);
}

void Coordinator::Deliver(int k, QJsonObject event) {
    event.insert(QStringLiteral("schema"), 1);
    event.insert(QStringLiteral("target"), request_.targets[k].given);
    output_.Event(k, event);
    if (event.value(QLatin1String("event")).toString() != QLatin1String("result")) {
        return;
    }
    results_[k] = event;
    ++done_;
    if (auto& thread = threads_[static_cast<std::size_t>(k)]) {
        thread->wait();
        thread.reset();
        --running_;
    }
}

// Targets not started yet are reported without anything sent to them.
void Coordinator::StopAll() {
    stop_.store(true);
    while (next_ < static_cast<int>(request_.targets.size())) {
        Deliver(next_++, NotStartedResult());
    }
}

}  // namespace

QList<QJsonObject> RunAllTargets(const CliRequest& request, EventOutput& output,
                                 const std::atomic<bool>& interrupted) {
    return Coordinator(request, output).Run(interrupted);
}
