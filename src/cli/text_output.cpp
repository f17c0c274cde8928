#include <QElapsedTimer>
#include <QMap>
#include <QStringList>

#include <cstdio>

#include "event_output.h"

namespace {

QString Str(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}

QString NameOf(const Target& target) {
    return target.label.isEmpty() ? target.given : target.label;
}

void PrintLine(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

QString IdentityText(const QJsonObject& e) {
    QStringList parts{QStringLiteral("device ID ") + Str(e, "device_id")};
    if (e.contains(QLatin1String("version"))) {
        parts << QStringLiteral("version ") + Str(e, "version");
    }
    if (e.contains(QLatin1String("serial_number"))) {
        parts << QStringLiteral("S/N ") + Str(e, "serial_number");
    }
    return parts.join(QStringLiteral(", "));
}

QString CycleText(const QJsonObject& e) {
    QString text = QStringLiteral("cycle %1: inputs %2")
                       .arg(e.value(QLatin1String("number")).toInt())
                       .arg(e.value(QLatin1String("inputs")).isNull() ? QStringLiteral("not read")
                                                                      : Str(e, "inputs"));
    if (e.contains(QLatin1String("clock"))) {
        text += QStringLiteral(", clock ") + (e.value(QLatin1String("clock")).isNull()
                                                  ? QStringLiteral("not read")
                                                  : Str(e, "clock"));
    }
    if (e.contains(QLatin1String("record")) && !e.value(QLatin1String("record")).isNull()) {
        text += QStringLiteral(", record ") + Str(e, "record");
    }
    return text;
}

QString BlockText(const QJsonObject& e) {
    return QStringLiteral("%1 block %2/%3")
        .arg(Str(e, "phase"))
        .arg(e.value(QLatin1String("number")).toInt())
        .arg(e.value(QLatin1String("of")).toInt());
}

// Lines worth keeping in a log: what was learnt, retries, data, the result.
QString DetailText(const QJsonObject& e) {
    const QString event = Str(e, "event");
    if (event == QLatin1String("identified")) {
        return QStringLiteral("identified: ") + IdentityText(e);
    }
    if (event == QLatin1String("cycle")) {
        return CycleText(e);
    }
    if (event == QLatin1String("attempt")) {
        return BlockText(e) + QStringLiteral(": attempt %1 not answered")
                                  .arg(e.value(QLatin1String("attempts")).toInt());
    }
    if (event == QLatin1String("block") && !e.value(QLatin1String("answered")).toBool()) {
        return BlockText(e) + QStringLiteral(": not answered in 5 attempts");
    }
    if (event == QLatin1String("result")) {
        QString text = ResultText(e);
        if (e.contains(QLatin1String("reply"))) {
            text += QStringLiteral(", reply ") + Str(e, "reply");
        }
        if (e.contains(QLatin1String("time_sent"))) {
            text += QStringLiteral(", time sent ") + Str(e, "time_sent");
        }
        return text + QStringLiteral(" (%1 s)").arg(e.value(QLatin1String("seconds")).toDouble(), 0,
                                                    'f', 1);
    }
    return {};
}

// One line per event worth logging, as the events come.
class PlainOutput final : public EventOutput {
public:
    explicit PlainOutput(const QList<Target>& targets) : targets_(targets) {}
    void Event(int target, const QJsonObject& event) override {
        const QString text = DetailText(event);
        if (!text.isEmpty()) {
            PrintLine(NameOf(targets_[target]) + QStringLiteral(": ") + text);
        }
        std::fflush(stdout);
    }
    void Finish(const QList<QJsonObject>& results, double seconds) override {
        PrintLine(SummaryLine(results, seconds));
    }

private:
    const QList<Target>& targets_;
};

// One line per target, redrawn in place at most ten times a second; the detail lines and the
// summary follow once every target is through.
class LiveOutput final : public EventOutput {
public:
    explicit LiveOutput(const QList<Target>& targets)
        : targets_(targets), lines_(targets.size(), QStringLiteral("waiting")) {
        for (const Target& target : targets) {
            width_ = std::max(width_, static_cast<int>(NameOf(target).size()));
        }
        redrawn_.start();
        Draw();
    }
    void Event(int target, const QJsonObject& event) override {
        lines_[target] = LiveText(event, lines_[target]);
        // What does not fit the live line is printed under it at the end.
        const QString name = NameOf(targets_[target]) + QStringLiteral(": ");
        if (Str(event, "event") == QLatin1String("cycle")) {
            details_ << name + CycleText(event);
        } else if (event.contains(QLatin1String("reply"))) {
            details_ << name + QStringLiteral("reply ") + Str(event, "reply");
        } else if (event.contains(QLatin1String("time_sent"))) {
            details_ << name + QStringLiteral("time sent ") + Str(event, "time_sent");
        }
        dirty_ = true;
    }
    void Idle() override {
        if (dirty_ && redrawn_.elapsed() >= 100) {
            Draw();
        }
    }
    void Finish(const QList<QJsonObject>& results, double seconds) override {
        Draw();
        for (const QString& line : details_) {
            PrintLine(line);
        }
        PrintLine(SummaryLine(results, seconds));
    }

private:
    static QString LiveText(const QJsonObject& e, const QString& before) {
        const QString event = Str(e, "event");
        if (event == QLatin1String("phase")) {
            return Str(e, "phase");
        }
        if (event == QLatin1String("identified")) {
            return QStringLiteral("identified ") + Str(e, "device_id");
        }
        if (event == QLatin1String("block") || event == QLatin1String("attempt")) {
            return BlockText(e) +
                   QStringLiteral("  attempt %1").arg(e.value(QLatin1String("attempts")).toInt());
        }
        if (event == QLatin1String("cycle")) {
            return QStringLiteral("cycle %1").arg(e.value(QLatin1String("number")).toInt());
        }
        if (event == QLatin1String("result")) {
            return ResultText(e);
        }
        return before;
    }
    void Draw() {
        QString text;
        if (drawn_) {
            text += QStringLiteral("\x1b[%1A").arg(lines_.size());  // back to the first line
        }
        for (int k = 0; k < lines_.size(); ++k) {
            text += QStringLiteral("\x1b[2K") + NameOf(targets_[k]).leftJustified(width_) +
                    QStringLiteral("  ") + lines_[k] + QLatin1Char('\n');
        }
        std::fputs(text.toUtf8().constData(), stdout);
        std::fflush(stdout);
        drawn_ = true;
        dirty_ = false;
        redrawn_.restart();
    }

    const QList<Target>& targets_;
    QStringList lines_;
    QStringList details_;
    int width_ = 0;
    bool drawn_ = false;
    bool dirty_ = false;
    QElapsedTimer redrawn_;
};

}  // namespace

std::unique_ptr<EventOutput> MakePlainOutput(const QList<Target>& targets) {
    return std::make_unique<PlainOutput>(targets);
}

std::unique_ptr<EventOutput> MakeLiveOutput(const QList<Target>& targets) {
    return std::make_unique<LiveOutput>(targets);
}

QString ResultText(const QJsonObject& result) {
    const QString code = Str(result, "code");
    QString text = code;
    if (result.contains(QLatin1String("block"))) {
        text += QStringLiteral(" at block %1").arg(result.value(QLatin1String("block")).toInt());
    }
    // A unit that failed is told apart by what it answered before, where it did.
    if (result.contains(QLatin1String("device_id"))) {
        text += QStringLiteral(": ") + IdentityText(result);
    }
    if (result.contains(QLatin1String("blocks"))) {
        text += QStringLiteral(", %1 blocks, %2 program and %3 verify retries")
                    .arg(result.value(QLatin1String("blocks")).toInt())
                    .arg(result.value(QLatin1String("program_retries")).toInt())
                    .arg(result.value(QLatin1String("verify_retries")).toInt());
    }
    if (result.value(QLatin1String("final_reply")) == QJsonValue(false)) {
        text += QStringLiteral(", no reply to the final command");
    }
    if (result.contains(QLatin1String("version_after"))) {
        text += QStringLiteral(", version after ") + Str(result, "version_after");
    }
    if (result.contains(QLatin1String("reason"))) {
        text += QStringLiteral(": ") + Str(result, "reason").section(QLatin1Char('\n'), 0, 0);
    }
    return text;
}

QString SummaryLine(const QList<QJsonObject>& results, double seconds) {
    int ok = 0;
    QMap<QString, int> failed;
    for (const QJsonObject& r : results) {
        r.value(QLatin1String("ok")).toBool() ? ++ok : ++failed[Str(r, "code")];
    }
    QStringList codes;
    for (auto it = failed.cbegin(); it != failed.cend(); ++it) {
        codes << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    }
    QString line = QStringLiteral("%1 target%2: %3 ok")
                       .arg(results.size())
                       .arg(results.size() == 1 ? QString() : QStringLiteral("s"))
                       .arg(ok);
    if (!codes.isEmpty()) {
        line += QStringLiteral(", %1 failed (%2)")
                    .arg(results.size() - ok)
                    .arg(codes.join(QStringLiteral(", ")));
    }
    return line + QStringLiteral(" in %1 s").arg(seconds, 0, 'f', 1);
}
