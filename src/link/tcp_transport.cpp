#include "tcp_transport.h"

#include <QHostAddress>

#include <algorithm>

#include "reply_collector.h"

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

std::optional<quint32> ParseDottedQuad(QStringView text) {
    const auto parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    quint32 address = 0;
    for (const auto part : parts) {
        if (part.isEmpty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), IsDigit)) {
            return std::nullopt;
        }
        const int value = part.toInt();
        if (value > 255) {
            return std::nullopt;
        }
        address = address << 8 | static_cast<quint32>(value);
    }
    return address;
}

quint16 ParsePortText(QStringView text) {
    quint16 port = 0;
    for (const QChar c : text) {
        if (!IsDigit(c)) {
            break;
        }
        // Wraps like the low 16 bits of the whole number would.
        port = static_cast<quint16>(port * 10 + (c.unicode() - '0'));
    }
    return port;
}

std::unique_ptr<TcpTransport> TcpTransport::Open(const LinkSettings& settings,
                                                 std::chrono::milliseconds connectBound,
                                                 OpenFailure* failure,
                                                 const std::function<void()>& pump) {
    failure->ip = settings.ip;
    failure->tcpPort = settings.tcpPort;
    const auto address = ParseDottedQuad(settings.ip);
    const quint16 port = ParsePortText(settings.tcpPort);
    if (!address || port == 0) {
        failure->cause = !address ? OpenCause::BadAddress : OpenCause::PortZero;
        return nullptr;
    }
    std::unique_ptr<TcpTransport> transport(new TcpTransport);
    QTcpSocket& socket = transport->socket_;
    socket.connectToHost(QHostAddress(*address), port);
    if (!transport->WaitForConnected(connectBound, pump, failure)) {
        return nullptr;
    }
    // One small frame per transaction: waiting to coalesce it would only add latency.
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return transport;
}

bool TcpTransport::WaitForConnected(std::chrono::milliseconds bound,
                                    const std::function<void()>& pump, OpenFailure* failure) {
    const auto failed = [&](OpenCause cause) {
        failure->cause = cause;
        failure->systemText = socket_.errorString();
        failure->connectBound = bound;
        return false;
    };
    const auto causeOf = [](QAbstractSocket::SocketError error) {
        switch (error) {
            case QAbstractSocket::ConnectionRefusedError:
                return OpenCause::ConnectionRefused;
            case QAbstractSocket::SocketTimeoutError:
                return OpenCause::ConnectTimedOut;
            default:
                return OpenCause::NetworkFailed;
        }
    };
    if (!pump) {
        return socket_.waitForConnected(static_cast<int>(bound.count())) ||
               failed(causeOf(socket_.error()));
    }
    // Qt's wait gives up the connect when it times out, so it cannot be cut into slices: the
    // socket connects on its own, and its progress is noticed among the events the pump runs.
    constexpr std::chrono::milliseconds kSlice{5};
    const auto deadline = Clock::now() + bound;
    const auto connecting = [this] {
        const auto state = socket_.state();
        return state == QAbstractSocket::HostLookupState ||
               state == QAbstractSocket::ConnectingState;
    };
    while (connecting() && Clock::now() < deadline) {
        pump();
        if (connecting()) {
            std::this_thread::sleep_for(std::min<Clock::duration>(deadline - Clock::now(), kSlice));
        }
    }
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        const OpenCause cause =
            connecting() ? OpenCause::ConnectTimedOut : causeOf(socket_.error());
        failed(cause);
        socket_.abort();
        return false;
    }
    return true;
}

TcpTransport::~TcpTransport() {
    socket_.disconnectFromHost();
    socket_.abort();
}

bool TcpTransport::Send(const QByteArray& frame) {
    // A connection the controller closed takes nothing more, but what came before the close may
    // still complete this transaction.
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        return true;
    }
    // What the socket has not handed over by then still follows; a reply is waited for anyway.
    WriteWithin(socket_, frame, Clock::now() + kReplyTimeout);
    return true;
}

bool TcpTransport::Collect(ReplyCollector& collector, Clock::time_point start) {
    const auto deadline = start + kReplyTimeout;
    for (;;) {
        if (socket_.bytesAvailable() > 0 || WaitForBytes(deadline)) {
            // One receive: once a reply is complete, the rest of what came with it is dropped.
            const QByteArray chunk = socket_.read(frame::kBufferSize);
            for (const char byte : chunk) {
                if (collector.Feed(static_cast<std::uint8_t>(byte))) {
                    return true;
                }
            }
        }
        if (Clock::now() > deadline) {
            return false;
        }
    }
}

bool TcpTransport::WaitForBytes(Clock::time_point deadline) {
    if (socket_.state() == QAbstractSocket::ConnectedState &&
        socket_.waitForReadyRead(MillisecondsUntil(deadline))) {
        return true;
    }
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        return FailAtDeadline(deadline);
    }
    return false;
}

bool TcpTransport::CheckReply(const std::uint8_t* reply, std::size_t count) const {
    return CheckReplyXor(reply, count);
}

bool TcpTransport::Connected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}
