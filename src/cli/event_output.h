#pragma once

#include <QJsonObject>
#include <QList>

#include <memory>

#include "cli_request.h"

// Where the events of a run go: NDJSON, plain lines, or live lines on a terminal. Called from
// the coordinator's thread only.
class EventOutput {
public:
    virtual ~EventOutput() = default;
    // One event with its "schema" and "target" fields.
    virtual void Event(int target, const QJsonObject& event) = 0;
    // Between events, at least every tenth of a second while the run lasts.
    virtual void Idle() {}
    // After the last result: the summary.
    virtual void Finish(const QList<QJsonObject>& results, double seconds) = 0;
};

std::unique_ptr<EventOutput> MakeJsonOutput();
std::unique_ptr<EventOutput> MakePlainOutput(const QList<Target>& targets);
std::unique_ptr<EventOutput> MakeLiveOutput(const QList<Target>& targets);

// "8 targets: 6 ok, 2 failed (1 program-failed, 1 verify-failed) in 3.1 s".
QString SummaryLine(const QList<QJsonObject>& results, double seconds);
// What a result says, on one line: "ok", or the code with its block and reason.
QString ResultText(const QJsonObject& result);
