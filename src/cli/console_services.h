#pragma once

#include <QDateTime>

#include <atomic>

#include "operation_context.h"
#include "services.h"

// The computer without a window: pauses that never end early, no tone, the local clock. The
// event pump is where a stop request reaches a running continuous test, as the cancel click does
// in the window.
class ConsoleServices final : public Services {
public:
    ConsoleServices(OperationState& state, const std::atomic<bool>& stop)
        : state_(state), stop_(stop) {}

    void ProcessEvents() override;
    void KeepWindowAlive() override {}
    void Beep(int /*frequencyHz*/, std::chrono::milliseconds /*duration*/) override {}
    QDateTime Now() override;

    // The time last read, which set-clock sent.
    const QDateTime& LastNow() const { return lastNow_; }

private:
    OperationState& state_;
    const std::atomic<bool>& stop_;
    QDateTime lastNow_;
};
