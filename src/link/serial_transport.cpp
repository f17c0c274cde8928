#include "serial_transport.h"

#include <algorithm>
#include <thread>

#include "link.h"
#include "open_diagnosis.h"
#include "reply_collector.h"
#include "serial_platform.h"
#include "speed_string.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Used for time bounds when the speed string cannot be read: the slowest speed offered.
constexpr LineSettings kSlowestLine{4800, LineSettings::Parity::Even, 8,
                                    LineSettings::StopBits::One};

QSerialPort::Parity ToPortParity(LineSettings::Parity parity) {
    switch (parity) {
        case LineSettings::Parity::Even:
            return QSerialPort::EvenParity;
        case LineSettings::Parity::Odd:
            return QSerialPort::OddParity;
        case LineSettings::Parity::Mark:
            return QSerialPort::MarkParity;
        case LineSettings::Parity::Space:
            return QSerialPort::SpaceParity;
        case LineSettings::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToPortStopBits(LineSettings::StopBits stopBits) {
    switch (stopBits) {
        case LineSettings::StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case LineSettings::StopBits::Two:
            return QSerialPort::TwoStop;
        case LineSettings::StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

}  // namespace

std::unique_ptr<SerialTransport> SerialTransport::Open(const LinkSettings& settings,
                                                       OpenFailure* failure) {
    using open_diagnosis::SerialStep;
    const QString path = serial_platform::DevicePath(settings.portName);
    std::unique_ptr<SerialTransport> transport(new SerialTransport);
    const auto fail = [&](SerialStep step) -> std::unique_ptr<SerialTransport> {
        *failure = open_diagnosis::DiagnoseSerial(settings.portName, path, step,
                                                  transport->openError_, transport->openText_);
        return nullptr;
    };
    // Only a terminal device is opened: nothing may be written to a file that happens to be there.
    if (!serial_platform::IsCharacterDevice(path)) {
        return fail(SerialStep::Find);
    }
    if (const auto failedAt = transport->OpenPort(path)) {
        return fail(*failedAt);
    }
    transport->ApplySpeedString(settings.speed);
    // Whatever waited in either queue belongs to no request of ours.
    transport->port_.clear(QSerialPort::AllDirections);
    serial_platform::Purge(transport->port_.handle());
    return transport;
}

SerialTransport::~SerialTransport() {
    port_.close();
}

std::optional<open_diagnosis::SerialStep> SerialTransport::OpenPort(const QString& path) {
    using open_diagnosis::SerialStep;
    port_.setPortName(path);
    if (!port_.open(QIODevice::ReadWrite)) {
        openError_ = port_.error();
        openText_ = port_.errorString();
        return SerialStep::Open;
    }
    const bool terminal = serial_platform::IsTerminal(port_.handle());
    if (!terminal || !serial_platform::LockExclusive(port_.handle())) {
        port_.close();
        return terminal ? SerialStep::Lock : SerialStep::Terminal;
    }
    return std::nullopt;
}

// Each setting is tried on its own and a refusal is ignored: the port keeps what it had.
void SerialTransport::ApplySpeedString(const QString& speed) {
    const auto line = ParseSpeedString(speed.toStdString());
    if (line) {
        port_.setBaudRate(line->speed);
        port_.setParity(ToPortParity(line->parity));
        port_.setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits));
        port_.setStopBits(ToPortStopBits(line->stopBits));
    }
    port_.setFlowControl(QSerialPort::NoFlowControl);
    const LineSettings& timing = line ? *line : kSlowestLine;
    // Past the deadline a pause longer than this ends the reply. A USB adapter hands bytes over
    // at its latency timer (16 ms by default) and a loaded machine schedules a pty's writer late,
    // so a few character times alone would cut off replies that are still coming.
    gapAllowance_ = std::max<microseconds>(milliseconds{100}, timing.TransferTime(3));
    // Bounds a peer that streams without ever completing a reply: a whole buffer that starts
    // just before the deadline must still fit, delivered as late as a pause may be.
    streamAllowance_ = timing.TransferTime(frame::kBufferSize) + gapAllowance_;
}

// The reply timer may start only once the request has left the port, as a synchronous write
// would have it: a long request takes hundreds of milliseconds on a slow line.
void SerialTransport::Send(const QByteArray& frame) {
    if (!port_.isOpen()) {
        return;
    }
    port_.write(frame);
    const auto until = Clock::now() + Link::kReplyTimeout + streamAllowance_;
    while (port_.bytesToWrite() > 0 && Clock::now() < until &&
           port_.waitForBytesWritten(MillisecondsUntil(until))) {
    }
    serial_platform::Drain(port_.handle());
}

bool SerialTransport::Collect(ReplyCollector& collector, Clock::time_point start) {
    const auto deadline = start + Link::kReplyTimeout;
    const auto streamStop = deadline + streamAllowance_;
    auto quietUntil = deadline;
    for (;;) {
        char byte = 0;
        while (port_.isOpen() && port_.bytesAvailable() > 0 && port_.getChar(&byte)) {
            if (collector.Feed(static_cast<std::uint8_t>(byte))) {
                return true;
            }
            const auto now = Clock::now();
            if (now > streamStop) {
                return false;
            }
            quietUntil = std::max(deadline, now + gapAllowance_);
        }
        // The deadline counts only when the line has gone quiet.
        const Wait wait = WaitForBytes(std::min(quietUntil, streamStop));
        if (wait == Wait::HungUp) {
            std::this_thread::sleep_until(deadline);
            return false;
        }
        if (wait == Wait::Quiet && Clock::now() > std::min(quietUntil, streamStop)) {
            return false;
        }
    }
}

SerialTransport::Wait SerialTransport::WaitForBytes(Clock::time_point until) {
    if (!port_.isOpen()) {
        return Wait::HungUp;
    }
    port_.clearError();
    if (port_.waitForReadyRead(MillisecondsUntil(until))) {
        return Wait::Ready;
    }
    const auto error = port_.error();
    if (error == QSerialPort::TimeoutError || error == QSerialPort::NoError) {
        return Wait::Quiet;
    }
    HangUp();
    return Wait::HungUp;
}

// A port whose peer hung up fails every wait at once and its notifier would fire without end:
// nothing more will come on it, so it is closed now and the link just waits out its deadlines.
void SerialTransport::HangUp() {
    port_.close();
}

bool SerialTransport::CheckReply(const std::uint8_t* reply, std::size_t count) const {
    return CheckReplyCrc(reply, count);
}
