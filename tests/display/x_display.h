#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <chrono>
#include <initializer_list>
#include <optional>
#include <vector>

struct _XDisplay;
using XWindowId = unsigned long;

// One connection to an X server, to drive a program as a person and a window manager would:
// input goes through the server (XTest), and the program is seen only through what the server
// holds: window properties, client messages, pixels.
class XDisplay {
public:
    explicit XDisplay(const QString& name);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool IsOpen() const { return display_ != nullptr; }

    // The shown top-level window of a process (by _NET_WM_PID and WM_CLASS), if it has one.
    std::optional<XWindowId> ShownWindowOf(qint64 pid);
    // Every shown top-level window of a process, bottom to top.
    std::vector<XWindowId> ShownWindowsOf(qint64 pid);
    // The window that has the keyboard focus.
    XWindowId FocusedWindow();
    bool Viewable(XWindowId window);
    QString NetWmName(XWindowId window);
    QString WmName(XWindowId window);
    QStringList WmClass(XWindowId window);
    QPoint Origin(XWindowId window);

    // What a window manager does when the user clicks into a window.
    void Focus(XWindowId window);
    // Left clicks at a point of the screen, `gap` apart (a hand makes a double click's clicks
    // about 40 ms apart).
    void Click(QPoint at, int count = 1,
               std::chrono::milliseconds gap = std::chrono::milliseconds(40));
    // One key with modifiers held, by key symbol names ("Tab", "Return", "Control_L").
    void Key(const char* key, std::initializer_list<const char*> modifiers = {});
    // Text of printable ASCII characters, typed key by key, with Shift where the keyboard
    // needs it.
    void Type(const QString& text);
    // The close box or Alt+F4: the window manager's WM_DELETE_WINDOW message.
    void SendDeleteWindow(XWindowId window);
    // The window manager's _NET_WM_PING: the time the answer took, nothing if none came in time.
    std::optional<std::chrono::milliseconds> Ping(XWindowId window,
                                                  std::chrono::milliseconds limit);

    QRgb Pixel(QPoint at);
    QImage Screenshot();

private:
    unsigned long Atom(const char* name);
    QByteArray Property(XWindowId window, const char* name, const char* type);
    void Sync();

    _XDisplay* display_ = nullptr;
    unsigned long pingSerial_ = 0;
};
