#include "pty_endpoint.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "paced_writer.h"
#include "request_dispatcher.h"

namespace sim {

PtyEndpoint::PtyEndpoint(RequestDispatcher& dispatcher, int lineSpeed, int bitsPerCharacter,
                         std::string prefix)
    : dispatcher_(dispatcher),
      lineSpeed_(lineSpeed),
      bitsPerCharacter_(bitsPerCharacter),
      where_(std::move(prefix) + "pty"),
      scanner_(std::make_unique<RequestScanner>()) {
    writer_ = std::make_unique<PacedWriter>(
        [this](const char* data, qint64 n) { return Write(data, n); },
        [this] { QTimer::singleShot(0, &context_, [this] { HangUp(); }); }, lineSpeed_,
        bitsPerCharacter_);
}

PtyEndpoint::~PtyEndpoint() {
    CloseTerminal();
    if (!link_.isEmpty() && QFileInfo(link_).isSymLink()) {
        QFile::remove(link_);
    }
}

bool PtyEndpoint::Open(const QString& link, QString* error) {
    link_ = link;
    return OpenTerminal(error) && PlaceLink(error);
}

QString PtyEndpoint::Path() const {
    return link_.isEmpty() ? slavePath_ : link_;
}

bool PtyEndpoint::OpenTerminal(QString* error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const char* name = master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0
                           ? ptsname(master_)
                           : nullptr;
    if (name) {
        slavePath_ = QString::fromLocal8Bit(name);
        // Our own slave descriptor keeps the line up while no client has it open.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    termios mode{};
    if (slave_ < 0 || tcgetattr(slave_, &mode) != 0) {
        *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        CloseTerminal();
        return false;
    }
    // Raw: no echo of our replies back to us, no CR to NL translation of requests.
    cfmakeraw(&mode);
    tcsetattr(slave_, TCSANOW, &mode);
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
    return true;
}

bool PtyEndpoint::PlaceLink(QString* error) {
    if (link_.isEmpty()) {
        return true;
    }
    const QFileInfo existing(link_);
    if (existing.exists() && !existing.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a link").arg(link_);
        return false;
    }
    QFile::remove(link_);
    if (!QFile::link(slavePath_, link_)) {
        *error = QStringLiteral("cannot create the link %1").arg(link_);
        return false;
    }
    return true;
}

void PtyEndpoint::CloseTerminal() {
    notifier_.reset();
    if (writer_) {
        writer_->Clear();
    }
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    scanner_->Reset();
}

void PtyEndpoint::Read() {
    char buffer[2048];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        return;  // EAGAIN; EIO cannot happen while our slave descriptor is open
    }
    for (const auto& request : scanner_->Feed(std::string_view(buffer, static_cast<size_t>(n)))) {
        if (auto plan = dispatcher_.Serve(request, LinkKind::Serial, where_)) {
            writer_->Send(*plan);
        }
    }
    dispatcher_.NoteSkipped(scanner_->TakeSkipped(), where_);
}

// Not const, though it changes no member: it writes to the pty this endpoint owns.
// NOLINTNEXTLINE(readability-make-member-function-const)
qint64 PtyEndpoint::Write(const char* data, qint64 n) {
    const ssize_t wrote = ::write(master_, data, static_cast<size_t>(n));
    if (wrote < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    }
    return wrote;
}

// The serial counterpart of closing a connection: the terminal goes away under the client and a
// fresh one takes its place (new slave path; the link, if any, follows it).
void PtyEndpoint::HangUp() {
    CloseTerminal();
    QString error;
    if (!OpenTerminal(&error) || !PlaceLink(&error)) {
        dispatcher_.Note(where_, "cannot reopen after hang-up: " + error.toStdString());
        return;
    }
    if (reopened_) {
        reopened_(Path());
    }
}

}  // namespace sim
