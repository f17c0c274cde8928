#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// File modes bind only an unprivileged user: as root, the checks run in a child that has become
// "nobody" (the files it needs must be reachable for others). Returns whether they held.
inline bool HoldsForUnprivilegedUser(const std::function<bool()>& checks) {
    if (geteuid() != 0) {
        return checks();
    }
    const pid_t child = fork();
    if (child == 0) {
        const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(dropped && checks() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}
