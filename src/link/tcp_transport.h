#pragma once

#include <QStringView>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>

#include "link_settings.h"
#include "link_transport.h"
#include "open_failure.h"

// The network link: one TCP connection to the controller.
class TcpTransport final : public LinkTransport {
public:
    // Null when the address or port text is unusable or the connection cannot be made within
    // the bound; *failure then says why. With a pump, the connect is waited for in short slices
    // with the pump called between them; the pump must run the thread's pending events.
    static std::unique_ptr<TcpTransport> Open(const LinkSettings& settings,
                                              std::chrono::milliseconds connectBound,
                                              OpenFailure* failure,
                                              const std::function<void()>& pump = {});
    ~TcpTransport() override;

    bool Send(const QByteArray& frame) override;
    bool Collect(ReplyCollector& collector, Clock::time_point start) override;
    bool CheckReply(const std::uint8_t* reply, std::size_t count) const override;
    bool Connected() const override;

    // About what a connect attempt takes on the controller's home platform.
    static constexpr std::chrono::seconds kConnectTimeout{21};

private:
    TcpTransport() = default;
    // Fills in *failure when no connection came up within the bound.
    bool WaitForConnected(std::chrono::milliseconds bound, const std::function<void()>& pump,
                          OpenFailure* failure);
    bool WaitForBytes(Clock::time_point deadline);

    QTcpSocket socket_;
};

// Four decimal numbers of 0 to 255 separated by dots, nothing else; host byte order.
std::optional<quint32> ParseDottedQuad(QStringView text);

// The text's leading decimal digits as a number reduced to 16 bits; no digits give 0.
quint16 ParsePortText(QStringView text);
