#pragma once

#include <QList>
#include <QString>

#include <chrono>

#include "link_settings.h"

// Why a link did not come up, from what the system said. A plain value: whoever shows it decides
// the words.
enum class OpenCause {
    None,
    PermissionDenied,  // the device is there, this user may not open it
    DeviceBusy,        // another program holds the device
    NoSuchDevice,
    NotATerminal,
    DeviceFailed,  // the system refused for another reason, in systemText
    BadAddress,    // the IP text is not a dotted quad
    PortZero,      // the TCP port text gives port 0
    ConnectionRefused,
    ConnectTimedOut,  // no answer within the connect bound
    NetworkFailed,    // any other connect failure, in systemText
    NoAnswer,         // the link opened, but the controller did not answer the identify command
};

// A process that has the device open, as /proc shows it.
struct DeviceHolder {
    qint64 pid = 0;
    QString name;
    friend bool operator==(const DeviceHolder&, const DeviceHolder&) = default;
};

struct OpenFailure {
    OpenCause cause = OpenCause::None;
    LinkType link = LinkType::Serial;
    QString portName;              // serial: the name as typed
    QString device;                // serial: the device path tried
    QString ip;                    // network: the IP text as typed
    QString tcpPort;               // network: the TCP port text as typed
    QString group;                 // PermissionDenied: the group that owns the device
    bool groupMayOpen = false;     // PermissionDenied: members of that group may read and write
    bool memberNextLogin = false;  // PermissionDenied: in the group, but not in this session yet
    bool seatRuleApplies = false;  // PermissionDenied: the package's udev rule covers the device
    QList<DeviceHolder> holders;   // DeviceBusy: other processes that have it open, if visible
    QList<DeviceHolder> suspects;  // DeviceBusy: running grabbers whose open files are hidden
    QString systemText;            // the system's own words
    bool linuxHints = false;       // serial: fuser, ModemManager and brltty are things to look at
    std::chrono::milliseconds connectBound{0};  // ConnectTimedOut
    QString speed;                              // NoAnswer on a serial link
};
