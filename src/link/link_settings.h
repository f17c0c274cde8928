#pragma once

#include <QString>

enum class LinkType { Serial = 0, Network = 1 };

// How the tool reaches the controller. Everything but the type stays text as typed; it is
// converted only when the link is opened.
struct LinkSettings {
    LinkType type = LinkType::Serial;
    QString portName = QStringLiteral("COM1");
    QString speed = QStringLiteral("19200,e,8,1");
    QString ip = QStringLiteral("192.168.1.101");
    QString tcpPort = QStringLiteral("5003");

    friend bool operator==(const LinkSettings&, const LinkSettings&) = default;
};
