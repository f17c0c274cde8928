#include <gtest/gtest.h>

#include "port_settings.h"

namespace {

// Read here rather than through a pseudo-terminal, which drops even, mark and space parity.
TEST(PortSettingsTest, SpeedStringGivesThePortItsLine) {
    using Q = QSerialPort;
    struct Case {
        const char* speed;
        std::optional<PortSettings::Line> line;
    };
    const Case cases[] = {
        {"19200,e,8,1", PortSettings::Line{19200, Q::EvenParity, Q::Data8, Q::OneStop}},
        {"19200,E,8,1", PortSettings::Line{19200, Q::EvenParity, Q::Data8, Q::OneStop}},
        {"9600,n,7,2", PortSettings::Line{9600, Q::NoParity, Q::Data7, Q::TwoStop}},
        {"4800,o,6,1.5", PortSettings::Line{4800, Q::OddParity, Q::Data6, Q::OneAndHalfStop}},
        {"115200,m,5,1", PortSettings::Line{115200, Q::MarkParity, Q::Data5, Q::OneStop}},
        {"921600,s,8,2", PortSettings::Line{921600, Q::SpaceParity, Q::Data8, Q::TwoStop}},
        {"1200,N,8,1", PortSettings::Line{1200, Q::NoParity, Q::Data8, Q::OneStop}},
        {" 38400 , O , 8 , 1 ", PortSettings::Line{38400, Q::OddParity, Q::Data8, Q::OneStop}},
        {"", std::nullopt},
        {"19200", std::nullopt},
        {"19200,x,8,1", std::nullopt},
        {"19200,e,9,1", std::nullopt},
        {"19200,e,8,3", std::nullopt},
        {"19200;e;8;1", std::nullopt},
        {"19200,e,8,1,", std::nullopt},
        {"fast please", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        const PortSettings port = PortSettingsFor(QString::fromLatin1(c.speed));
        EXPECT_EQ(port.flowControl, Q::NoFlowControl);
        ASSERT_EQ(port.line.has_value(), c.line.has_value());
        if (c.line) {
            EXPECT_EQ(port.line->baudRate, c.line->baudRate);
            EXPECT_EQ(port.line->parity, c.line->parity);
            EXPECT_EQ(port.line->dataBits, c.line->dataBits);
            EXPECT_EQ(port.line->stopBits, c.line->stopBits);
        }
    }
}

}  // namespace
