#include "display_events.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

constexpr std::uint32_t kMarkerTag = 0x4B523437;  // "KR47"

// Sees the marker come back and keeps it from Qt, which would warn about an unknown message.
class MarkerFilter : public QAbstractNativeEventFilter {
public:
    MarkerFilter(xcb_window_t window, std::uint32_t serial) : window_(window), serial_(serial) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) {
            return false;
        }
        const auto* marker = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (marker->window != window_ || marker->type != XCB_ATOM_INTEGER || marker->format != 32 ||
            marker->data.data32[0] != kMarkerTag) {
            return false;
        }
        seen = seen || marker->data.data32[1] == serial_;
        return true;
    }

    bool seen = false;

private:
    xcb_window_t window_;
    std::uint32_t serial_;
};

// The X server sends events to a client in order: once a marker that it sent after everything
// else has arrived, all input generated before this moment has been run.
void RunXcbEventsSentUpToNow(QWidget& window, xcb_connection_t* connection) {
    const auto target = static_cast<xcb_window_t>(window.winId());
    static std::uint32_t serial = 0;
    MarkerFilter filter(target, ++serial);
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    xcb_client_message_event_t marker{};
    marker.response_type = XCB_CLIENT_MESSAGE;
    marker.format = 32;
    marker.window = target;
    marker.type = XCB_ATOM_INTEGER;
    marker.data.data32[0] = kMarkerTag;
    marker.data.data32[1] = serial;
    // No event mask: the server sends it to the client that made the window, that is, to us.
    xcb_send_event(connection, 0, target, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&marker));
    xcb_flush(connection);
    // A marker takes well under a millisecond; a server that went away must not hold us.
    const QDeadlineTimer deadline(1000);
    while (!filter.seen && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (!filter.seen) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    QCoreApplication::instance()->removeNativeEventFilter(&filter);
}

// The offscreen platform may offer the interface too, without a connection of its own.
xcb_connection_t* XcbConnectionOf(const QWidget& window) {
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window.windowHandle()) {
        return nullptr;
    }
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

void RunEventsSentUpToNow(QWidget& window) {
    if (xcb_connection_t* connection = XcbConnectionOf(window)) {
        RunXcbEventsSentUpToNow(window, connection);
    }
    // What the display events queued for the widgets is delivered here; without a connection to
    // ask, this is all that can be run.
    QCoreApplication::processEvents();
}
