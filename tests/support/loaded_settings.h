#pragma once

#include <gtest/gtest.h>

#include "settings_store.h"

// What a load should give: each field the default unless a case says otherwise.
struct LoadedSettings {
    int type = 0;
    const char* firmware = "KR470QX.KXB";
    const char* speed = "19200,e,8,1";
    const char* port = "COM1";
    const char* ip = "192.168.1.101";
    const char* tcpPort = "5003";
    const char* flag = "English";
    Language language = Language::English;
};

// Every field of a load against what it should be, the stored link type included.
inline void ExpectLoaded(const ToolSettings& s, int type, const LoadedSettings& want) {
    EXPECT_EQ(type, want.type);
    EXPECT_EQ(s.firmwareFile, QString::fromUtf8(want.firmware));
    EXPECT_EQ(s.link.speed, want.speed);
    EXPECT_EQ(s.link.portName, want.port);
    EXPECT_EQ(s.link.ip, want.ip);
    EXPECT_EQ(s.link.tcpPort, want.tcpPort);
    EXPECT_EQ(s.languageFlag, want.flag);
    EXPECT_EQ(s.language, want.language);
}
