#pragma once

#include <QJsonObject>
#include <QList>

#include <atomic>

#include "cli_request.h"

class EventOutput;

// Runs the request on every target, each on a thread of its own, at most `jobs` at once, and is
// the only writer of the output. Once `interrupted` is set, running targets stop after their
// current transaction and the rest are not started. Returns one result per target, in order.
QList<QJsonObject> RunAllTargets(const CliRequest& request, EventOutput& output,
                                 const std::atomic<bool>& interrupted);
