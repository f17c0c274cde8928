#pragma once

#include <QSerialPort>

#include <chrono>
#include <memory>

#include "link_settings.h"
#include "link_transport.h"
#include "speed_string.h"

// The serial link: an exclusively held terminal device with the speed string's line settings.
class SerialTransport final : public LinkTransport {
public:
    // Null when the port cannot be opened for exclusive use.
    static std::unique_ptr<SerialTransport> Open(const LinkSettings& settings);
    ~SerialTransport() override;

    void Send(const QByteArray& frame) override;
    bool Collect(ReplyCollector& collector, Clock::time_point start) override;
    bool CheckReply(const std::uint8_t* reply, std::size_t count) const override;

private:
    enum class Wait { Ready, Quiet, HungUp };

    SerialTransport() = default;
    bool OpenPort(const QString& path);
    void ApplySpeedString(const QString& speed);
    Wait WaitForBytes(Clock::time_point until);
    void HangUp();

    QSerialPort port_;
    std::chrono::microseconds gapAllowance_{};
    std::chrono::microseconds streamAllowance_{};
    LineSettings timing_{};
    bool requestLost_ = false;  // the last frame did not leave the port in time
};
