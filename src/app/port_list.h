#pragma once

#include <QStringList>

#include <functional>

// The system's serial ports by the names a link opens them with.
using PortSource = std::function<QStringList()>;
QStringList SystemPorts();

// Names with characters up to code 32 removed at both ends, order and duplicates kept; COM1 to
// COM16 when there are none.
QStringList PortListItems(const QStringList& systemNames);
QString TrimControlAndBlanks(const QString& text);
