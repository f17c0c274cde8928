#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "cli_request.h"

// "tcp:HOST[:PORT]" (a dotted quad, port 5003 when left out) or "serial:PORT[@SPEED]" (the port as
// the window takes it, a speed string, "19200,e,8,1" when left out). Nullopt and a reason when
// the text is neither.
std::optional<Target> ParseTarget(const QString& text, QString* error);

// One target a line, '#' starts a comment, an optional label after whitespace.
std::optional<QList<Target>> ReadTargetsFile(const QString& path, QString* error);

// The link the window saved last, read from its settings store; the store is never written.
Target SavedTarget();
