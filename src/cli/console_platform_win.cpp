#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "console_platform.h"

namespace {

std::atomic<bool>* flag = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD /*event*/) {
    if (flag->exchange(true)) {
        std::_Exit(130);
    }
    return TRUE;
}

}  // namespace

void CatchInterrupts(std::atomic<bool>* interrupted) {
    flag = interrupted;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StdoutIsTerminal() {
    if (_isatty(_fileno(stdout)) == 0) {
        return false;
    }
    // The console takes cursor movements only once asked to.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(out, &mode) &&
           SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int TerminalRows() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return 0;
    }
    return info.srWindow.Bottom - info.srWindow.Top + 1;
}
