#include "serial_transport.h"

#include <algorithm>

#include "open_diagnosis.h"
#include "port_settings.h"
#include "reply_collector.h"
#include "serial_platform.h"
#include "speed_string.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Used for time bounds when neither the speed string nor the port tells the line: the slowest
// speed offered.
constexpr LineSettings kSlowestLine{4800, LineSettings::Parity::Even, 8,
                                    LineSettings::StopBits::One};

// The port layer's handle is a descriptor on POSIX and a HANDLE on Windows.
[[maybe_unused]] qintptr NativeHandle(int handle) {
    return handle;
}
[[maybe_unused]] qintptr NativeHandle(void* handle) {
    return reinterpret_cast<qintptr>(handle);
}

// The time bounds follow the slower of the line asked for and the line the port has, read back
// after setting it: a port may refuse a setting and keep its own (the open still succeeds), and
// a bound too short would cut off a reply that is still coming.
LineSettings TimingLine(const std::optional<LineSettings>& asked,
                        const std::optional<LineSettings>& portHas) {
    if (!asked || !portHas) {
        return asked ? *asked : portHas.value_or(kSlowestLine);
    }
    return portHas->TransferTime(1) > asked->TransferTime(1) ? *portHas : *asked;
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
    if (!serial_platform::MayOpenAsPort(path)) {
        return fail(SerialStep::Find);
    }
    if (const auto failedAt = transport->OpenPort(path)) {
        return fail(*failedAt);
    }
    transport->ApplySpeedString(settings.speed);
    // Whatever waited in either queue belongs to no request of ours.
    transport->port_.clear(QSerialPort::AllDirections);
    serial_platform::Purge(NativeHandle(transport->port_.handle()));
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
    const qintptr handle = NativeHandle(port_.handle());
    const bool terminal = serial_platform::IsTerminal(handle);
    if (!terminal || !serial_platform::LockExclusive(handle)) {
        port_.close();
        return terminal ? SerialStep::Lock : SerialStep::Terminal;
    }
    return std::nullopt;
}

// Each setting is tried on its own and a refusal is ignored: the port keeps what it had.
void SerialTransport::ApplySpeedString(const QString& speed) {
    const auto parsed = ParseSpeedString(speed.toStdString());
    const PortSettings settings = PortSettingsFor(parsed);
    if (const auto& line = settings.line) {
        port_.setBaudRate(line->baudRate);
        port_.setParity(line->parity);
        port_.setDataBits(line->dataBits);
        port_.setStopBits(line->stopBits);
    }
    port_.setFlowControl(settings.flowControl);
    timing_ = TimingLine(parsed, serial_platform::LineSettingsOf(NativeHandle(port_.handle())));
    // Past the deadline a pause longer than this ends the reply. A USB adapter hands bytes over
    // at its latency timer (16 ms by default) and a loaded machine schedules a pty's writer late,
    // so a few character times alone would cut off replies that are still coming.
    gapAllowance_ = std::max<microseconds>(milliseconds{100}, timing_.TransferTime(3));
    // Bounds a peer that streams without ever completing a reply: a whole buffer that starts
    // just before the deadline must still fit, delivered as late as a pause may be.
    streamAllowance_ = timing_.TransferTime(frame::kBufferSize) + gapAllowance_;
}

// The reply timer may start only once the request has left the port, as a synchronous write
// would have it: a long request takes hundreds of milliseconds on a slow line. A frame still not
// out after its transfer time and a reply time-out more is lost (a wedged adapter, flow held by
// the peer), and costs what a silent controller does.
bool SerialTransport::Send(const QByteArray& frame) {
    // A port that hung up is silence, for Collect to wait out.
    if (!port_.isOpen()) {
        return true;
    }
    const auto until =
        Clock::now() + timing_.TransferTime(static_cast<std::size_t>(frame.size())) + kReplyTimeout;
    if (WriteWithin(port_, frame, until) &&
        serial_platform::Drain(NativeHandle(port_.handle()),
                               milliseconds{MillisecondsUntil(until)})) {
        return true;
    }
    // Whatever is left of it must not go out in front of the next request.
    port_.clear(QSerialPort::Output);
    return false;
}

bool SerialTransport::Collect(ReplyCollector& collector, Clock::time_point start) {
    const auto deadline = start + kReplyTimeout;
    const auto streamStop = deadline + streamAllowance_;
    auto quietUntil = deadline;
    for (;;) {
        char byte = 0;
        // A read also when nothing is buffered: on Windows it restarts the port layer's reading,
        // which under Wine stalls otherwise.
        while (port_.isOpen() && port_.getChar(&byte)) {
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
            return FailAtDeadline(deadline);
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
    const auto end = std::min(until, Clock::now() + serial_platform::LongestWait());
    if (port_.waitForReadyRead(MillisecondsUntil(end))) {
        return Wait::Ready;
    }
    // A hung-up port fails its waits at once. The Windows port layer reports a wait that ran its
    // course as a resource error, so a wait that lasted its time is silence whatever the error.
    const auto error = port_.error();
    if (error == QSerialPort::TimeoutError || error == QSerialPort::NoError ||
        Clock::now() + milliseconds{1} >= end) {
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

bool SerialTransport::Connected() const {
    return port_.isOpen();
}
