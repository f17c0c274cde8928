#pragma once

#include <QSerialPort>

#include <chrono>
#include <memory>
#include <optional>

#include "link_settings.h"
#include "link_transport.h"
#include "open_diagnosis.h"
#include "speed_string.h"

// The serial link: an exclusively held terminal device with the speed string's line settings.
class SerialTransport final : public LinkTransport {
public:
    // Null when the port cannot be opened for exclusive use; *failure then says why.
    static std::unique_ptr<SerialTransport> Open(const LinkSettings& settings,
                                                 OpenFailure* failure);
    ~SerialTransport() override;

    bool Send(const QByteArray& frame) override;
    bool Collect(ReplyCollector& collector, Clock::time_point start) override;
    bool CheckReply(const std::uint8_t* reply, std::size_t count) const override;
    bool Connected() const override;

private:
    enum class Wait { Ready, Quiet, HungUp };

    SerialTransport() = default;
    // The step that failed, if one did.
    std::optional<open_diagnosis::SerialStep> OpenPort(const QString& path);
    void ApplySpeedString(const QString& speed);
    Wait WaitForBytes(Clock::time_point until);
    void HangUp();

    QSerialPort port_;
    LineSettings timing_;
    QSerialPort::SerialPortError openError_ = QSerialPort::NoError;
    QString openText_;
    std::chrono::microseconds gapAllowance_{};
    std::chrono::microseconds streamAllowance_{};
};
