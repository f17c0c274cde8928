#pragma once

class QWidget;

// Runs every event that the display server has sent to the program up to this moment. On X11 the
// server is asked to send a marker behind them; elsewhere the pending events are run.
void RunEventsSentUpToNow(QWidget& window);
