#include <QJsonDocument>

#include <cstdio>

#include "event_output.h"

namespace {

// NDJSON on standard output, one compact line per event; the summary goes to standard error.
class JsonOutput final : public EventOutput {
public:
    void Event(int /*target*/, const QJsonObject& event) override {
        const QByteArray line = QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
    }
    void Finish(const QList<QJsonObject>& results, double seconds) override {
        std::fprintf(stderr, "%s\n", SummaryLine(results, seconds).toUtf8().constData());
    }
};

}  // namespace

std::unique_ptr<EventOutput> MakeJsonOutput() {
    return std::make_unique<JsonOutput>();
}
