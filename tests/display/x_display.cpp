#include "x_display.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A window that went away (the tool closed it) is an outcome to check, not a reason to end.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

XDisplay::XDisplay(const QString& name) : display_(XOpenDisplay(name.toLocal8Bit().constData())) {
    XSetErrorHandler(&IgnoreError);
    if (display_) {
        // The answers to pings go to the root window, as to a window manager (Qt sends them
        // with the structure-notify and substructure-redirect masks).
        XSelectInput(display_, DefaultRootWindow(display_), StructureNotifyMask);
    }
}

XDisplay::~XDisplay() {
    if (display_) {
        XCloseDisplay(display_);
    }
}

unsigned long XDisplay::Atom(const char* name) {
    return XInternAtom(display_, name, False);
}

void XDisplay::Sync() {
    XSync(display_, False);
}

QByteArray XDisplay::Property(XWindowId window, const char* name, const char* type) {
    ::Atom actualType = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(display_, window, Atom(name), 0, 4096, False, Atom(type), &actualType,
                           &format, &items, &after, &data) == Success &&
        data) {
        // Xlib hands 32-bit items over as longs.
        const unsigned long unit =
            format == 32 ? sizeof(long) : static_cast<unsigned long>(format) / 8;
        value =
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(items * unit));
    }
    if (data) {
        XFree(data);
    }
    return value;
}

std::vector<XWindowId> XDisplay::ShownWindowsOf(qint64 pid) {
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    std::vector<XWindowId> found;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
        return found;
    }
    for (unsigned int i = 0; i < count; ++i) {
        const QByteArray pidValue = Property(children[i], "_NET_WM_PID", "CARDINAL");
        long windowPid = 0;
        if (pidValue.size() < static_cast<qsizetype>(sizeof windowPid)) {
            continue;
        }
        std::memcpy(&windowPid, pidValue.constData(), sizeof windowPid);
        // Qt's helper windows carry no window class.
        if (windowPid == pid && !WmClass(children[i]).isEmpty() && Viewable(children[i])) {
            found.push_back(children[i]);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

std::optional<XWindowId> XDisplay::ShownWindowOf(qint64 pid) {
    const std::vector<XWindowId> shown = ShownWindowsOf(pid);
    return shown.empty() ? std::nullopt : std::optional<XWindowId>(shown.front());
}

XWindowId XDisplay::FocusedWindow() {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
}

bool XDisplay::Viewable(XWindowId window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
}

QString XDisplay::NetWmName(XWindowId window) {
    return QString::fromUtf8(Property(window, "_NET_WM_NAME", "UTF8_STRING"));
}

QString XDisplay::WmName(XWindowId window) {
    XTextProperty property{};
    QString name;
    if (XGetWMName(display_, window, &property) && property.value) {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display_, &property, &list, &count) >= Success &&
            count > 0) {
            name = QString::fromUtf8(list[0]);
        }
        if (list) {
            XFreeStringList(list);
        }
        XFree(property.value);
    }
    return name;
}

QStringList XDisplay::WmClass(XWindowId window) {
    XClassHint hint{};
    QStringList names;
    if (XGetClassHint(display_, window, &hint)) {
        names << QString::fromLocal8Bit(hint.res_name) << QString::fromLocal8Bit(hint.res_class);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return names;
}

QPoint XDisplay::Origin(XWindowId window) {
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y};
}

void XDisplay::Focus(XWindowId window) {
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    Sync();
}

void XDisplay::Click(QPoint at, int count, std::chrono::milliseconds gap) {
    XTestFakeMotionEvent(display_, -1, at.x(), at.y(), CurrentTime);
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(gap);
        }
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        Sync();
    }
}

void XDisplay::Key(const char* key, std::initializer_list<const char*> modifiers) {
    const auto code = [this](const char* name) {
        return XKeysymToKeycode(display_, XStringToKeysym(name));
    };
    for (const char* modifier : modifiers) {
        XTestFakeKeyEvent(display_, code(modifier), True, CurrentTime);
    }
    XTestFakeKeyEvent(display_, code(key), True, CurrentTime);
    XTestFakeKeyEvent(display_, code(key), False, CurrentTime);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) {
        XTestFakeKeyEvent(display_, code(*it), False, CurrentTime);
    }
    Sync();
}

void XDisplay::Type(const QString& text) {
    const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    for (const QChar c : text) {
        // Keysyms of printable ASCII are its character codes.
        const KeySym sym = c.unicode();
        const KeyCode code = XKeysymToKeycode(display_, sym);
        const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
        if (shifted) {
            XTestFakeKeyEvent(display_, shift, True, CurrentTime);
        }
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        if (shifted) {
            XTestFakeKeyEvent(display_, shift, False, CurrentTime);
        }
    }
    Sync();
}

void XDisplay::SendDeleteWindow(XWindowId window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = Atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(Atom("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    Sync();
}

std::optional<std::chrono::milliseconds> XDisplay::Ping(XWindowId window,
                                                        std::chrono::milliseconds limit) {
    const unsigned long protocols = Atom("WM_PROTOCOLS");
    const unsigned long ping = Atom("_NET_WM_PING");
    const long serial = static_cast<long>(++pingSerial_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = serial;  // stands for the timestamp; the answer carries it back
    event.xclient.data.l[2] = static_cast<long>(window);
    const auto start = Clock::now();
    XSendEvent(display_, window, False, NoEventMask, &event);
    Sync();
    const ::Window root = DefaultRootWindow(display_);
    while (Clock::now() - start < limit) {
        while (XPending(display_)) {
            XEvent answer{};
            XNextEvent(display_, &answer);
            if (answer.type == ClientMessage && answer.xclient.window == root &&
                answer.xclient.message_type == protocols &&
                static_cast<unsigned long>(answer.xclient.data.l[0]) == ping &&
                answer.xclient.data.l[1] == serial) {
                return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
}

QRgb XDisplay::Pixel(QPoint at) {
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), at.x(), at.y(), 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        return 0;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return qRgb(static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF));
}

QImage XDisplay::Screenshot() {
    const int width = DisplayWidth(display_, DefaultScreen(display_));
    const int height = DisplayHeight(display_, DefaultScreen(display_));
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) {
        return {};
    }
    QImage shot(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            shot.setPixel(x, y, static_cast<QRgb>(XGetPixel(image, x, y)) | 0xFF000000u);
        }
    }
    XDestroyImage(image);
    return shot;
}
