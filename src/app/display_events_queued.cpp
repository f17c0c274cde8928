#include "display_events.h"

#include <QCoreApplication>

// Without a way to ask the display server, what it has queued so far is run.
void RunEventsSentUpToNow(QWidget&) {
    QCoreApplication::processEvents();
}
