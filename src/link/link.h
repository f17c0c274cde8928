#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "link_settings.h"
#include "open_failure.h"

class LinkTransport;

// One link to the controller: open, any number of one-request-one-reply transactions, close.
// Blocking, for the thread that owns it. Knows nothing of widgets.
class Link {
public:
    Link();
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    void SetSettings(const LinkSettings& settings) { settings_ = settings; }
    // Called again and again while OpenLink waits for a TCP connect to be answered (up to 21 s),
    // so that the caller can keep its window alive. Without one the connect just blocks.
    void SetWaitPump(std::function<void()> pump) { waitPump_ = std::move(pump); }
    const LinkSettings& Settings() const { return settings_; }

    bool OpenLink();
    // Why the last OpenLink failed; cause None after one that succeeded.
    const OpenFailure& LastOpenFailure() const { return openFailure_; }
    // How long a TCP connect may take; tests shorten it.
    void SetConnectBound(std::chrono::milliseconds bound) { connectBound_ = bound; }
    void CloseLink();
    bool IsOpen() const;
    // Open, and its other end still there.
    bool Connected() const;

    // Sends one framed command and collects one checked reply within the time-out.
    bool Transact(const QByteArray& command);

    // The most recent complete reply, 0x03 through 0x0D; kept across transactions and links.
    const QByteArray& LastReply() const { return lastReply_; }
    int ReplyLength() const { return replyLength_; }

private:
    LinkSettings settings_;
    OpenFailure openFailure_;
    std::chrono::milliseconds connectBound_;
    std::function<void()> waitPump_;
    std::unique_ptr<LinkTransport> transport_;
    QByteArray lastReply_;
    int replyLength_ = 0;
};
