#pragma once

#include <QByteArray>

class Link;
class OperationHost;
class Services;

// Operation state the main window owns for the whole run.
struct OperationState {
    QByteArray deviceId;  // DeviceId: empty until the first successful Connect
    bool testRunning = false;
    bool testActive = false;  // from a continuous test's start to its finish, cancelled or not
    int blinkPhase = 0;       // tmrBusy's tag: carried over between operations
};

// Everything an operation works with.
struct OperationContext {
    OperationHost& host;
    Services& services;
    Link& link;
    OperationState& state;
};
