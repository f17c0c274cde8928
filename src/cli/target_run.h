#pragma once

#include <QJsonObject>

#include <atomic>
#include <functional>

#include "cli_request.h"

// Runs the request on one target, on the calling thread, with its own link, host and services:
// Connect first, then the command, each with the link opened and closed as the window does.
// Every event goes to sink, the last one being the target's one "result" event, which is also
// returned.
QJsonObject RunTarget(const CliRequest& request, const Target& target,
                      const std::atomic<bool>& stop, const std::function<void(QJsonObject)>& sink);

// The result of a target that a stop kept from starting: nothing was sent to it.
QJsonObject NotStartedResult();
