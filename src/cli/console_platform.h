#pragma once

#include <atomic>

// What the console program needs from the system, one implementation per platform.

// Ctrl+C and SIGTERM (the console's close and break events on Windows) set `interrupted`; a
// second one ends the program at once.
void CatchInterrupts(std::atomic<bool>* interrupted);

// Whether standard output is a terminal that takes cursor movements.
bool StdoutIsTerminal();
// The terminal's height in lines; 0 when it cannot be told.
int TerminalRows();
