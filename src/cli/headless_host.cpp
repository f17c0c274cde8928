#include "headless_host.h"

#include "firmware_operations.h"
#include "text_table.h"

namespace {

QString PhaseName(ProgressBar phase) {
    return phase == ProgressBar::Program ? QStringLiteral("program") : QStringLiteral("verify");
}

}  // namespace

HeadlessHost::HeadlessHost(const CliRequest& request, const Target& target, OperationState& state,
                           const std::atomic<bool>& stop, EventSink sink)
    : request_(request), target_(target), state_(state), stop_(stop), sink_(std::move(sink)) {
    for (int k = 0; k < 4 && k < request.outputs.size(); ++k) {
        outputs_[static_cast<std::size_t>(k)] = request.outputs[k] == QLatin1Char('1');
    }
}

QString HeadlessHost::Text(TextId id) const {
    return TextTable::Text(id, Language::English);
}

void HeadlessHost::ForgetIdentity() {
    version_.clear();
    serialNumber_.clear();
}

bool HeadlessHost::OutputTicked(int output) const {
    return output >= 1 && output <= 4 && outputs_[static_cast<std::size_t>(output - 1)];
}

void HeadlessHost::SetInputLamp(int input, LampColor color) {
    if (input < 1 || input > 8) {
        return;
    }
    if (inputs_.isEmpty()) {
        inputs_ = QStringLiteral("00000000");
    }
    inputs_[input - 1] = color == LampColor::Yellow ? QLatin1Char('1') : QLatin1Char('0');
}

void HeadlessHost::SetProgressMaximum(ProgressBar bar, int maximum) {
    blocks_ = maximum;
    Emit(QStringLiteral("phase"), {{"phase", PhaseName(bar)}, {"blocks", maximum}});
}

void HeadlessHost::BlockAttempted(ProgressBar phase, int block, int attempt, bool answered) {
    if (attempt > 1) {
        ++retries_[static_cast<int>(phase)];
    }
    if (answered || attempt == kBlockAttempts) {
        Emit(QStringLiteral("block"), {{"phase", PhaseName(phase)},
                                       {"number", block + 1},
                                       {"of", blocks_},
                                       {"attempts", attempt},
                                       {"answered", answered}});
    } else {
        Emit(QStringLiteral("attempt"), {{"phase", PhaseName(phase)},
                                         {"number", block + 1},
                                         {"of", blocks_},
                                         {"attempts", attempt}});
    }
}

void HeadlessHost::TestCycleDone(TestButton button) {
    ++cycles_;
    QJsonObject cycle{{"number", cycles_},
                      {"inputs", inputs_.isEmpty() ? QJsonValue() : QJsonValue(inputs_)}};
    if (button == TestButton::Polling) {
        cycle.insert(QStringLiteral("clock"),
                     polledClock_.isEmpty() ? QJsonValue() : QJsonValue(polledClock_));
        cycle.insert(QStringLiteral("record"),
                     polledRecord_.isEmpty() ? QJsonValue() : QJsonValue(polledRecord_));
    }
    Emit(QStringLiteral("cycle"), cycle);
    inputs_.clear();
    polledClock_.clear();
    polledRecord_.clear();
    if (cycles_ >= request_.cycles) {
        state_.testRunning = false;
    }
}

void HeadlessHost::Emit(const QString& event, QJsonObject fields) const {
    fields.insert(QStringLiteral("event"), event);
    sink_(std::move(fields));
}
