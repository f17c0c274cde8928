#include "link.h"

#include "frame_codec.h"
#include "link_transport.h"
#include "reply_collector.h"
#include "serial_transport.h"
#include "tcp_transport.h"

Link::Link() : connectBound_(TcpTransport::kConnectTimeout) {}

Link::~Link() {
    CloseLink();
}

bool Link::OpenLink() {
    CloseLink();
    openFailure_ = OpenFailure{};
    if (settings_.type == LinkType::Network) {
        transport_ = TcpTransport::Open(settings_, connectBound_, &openFailure_, waitPump_);
    } else {
        transport_ = SerialTransport::Open(settings_, &openFailure_);
    }
    if (transport_) {
        openFailure_ = OpenFailure{};
    }
    openFailure_.link = settings_.type;
    return transport_ != nullptr;
}

void Link::CloseLink() {
    transport_.reset();
}

bool Link::IsOpen() const {
    return transport_ != nullptr;
}

bool Link::Connected() const {
    return transport_ && transport_->Connected();
}

bool Link::Transact(const QByteArray& command) {
    replyLength_ = 0;
    // A longer command does not fit the frame buffer; a frame cut short is never sent.
    if (!transport_ || static_cast<std::size_t>(command.size()) > frame::kMaxCommandLength) {
        return false;
    }
    const std::string request =
        BuildRequestFrame(std::string_view(command.constData(), command.size()));
    ReplyCollector collector;
    collector.Reset();
    const auto sent = LinkTransport::Clock::now();
    // A request that cannot leave is lost: no reply to it is taken.
    if (!transport_->Send(QByteArray::fromStdString(request))) {
        return FailAtDeadline(sent + kReplyTimeout);
    }
    if (!transport_->Collect(collector, LinkTransport::Clock::now())) {
        return false;
    }
    replyLength_ = static_cast<int>(collector.Position());
    lastReply_ = QByteArray(reinterpret_cast<const char*>(collector.Data()), replyLength_);
    // The position wrapped onto the closing byte: the reply was too long to hold.
    if (replyLength_ == 0) {
        return false;
    }
    return transport_->CheckReply(collector.Data(), collector.Position());
}
