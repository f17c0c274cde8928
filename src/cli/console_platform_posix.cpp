#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string_view>

#include "console_platform.h"

namespace {

std::atomic<bool>* flag = nullptr;

void OnSignal(int /*signal*/) {
    if (flag->exchange(true)) {
        std::_Exit(130);
    }
}

}  // namespace

void CatchInterrupts(std::atomic<bool>* interrupted) {
    flag = interrupted;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StdoutIsTerminal() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDOUT_FILENO) == 1 && !(term && std::string_view(term) == "dumb");
}

int TerminalRows() {
    winsize size{};
    return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_row : 0;
}
