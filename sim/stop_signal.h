#pragma once

namespace sim {

// SIGINT and SIGTERM end the simulator: block them in every thread (call before any thread
// starts), then wait for one in main. Returns the signal number.
void BlockStopSignals();
int WaitForStopSignal();

}  // namespace sim
