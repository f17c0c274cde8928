#include "input_gate.h"

#include <QApplication>
#include <QEvent>
#include <QScopedValueRollback>
#include <QWidget>

#include "display_events.h"
#include "focus_return.h"

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputGate::InputGate(QWidget& window) : window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
    // Disabling a window takes the focus from its controls; the one that had it is kept here.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == &window_) {
            lastFocus_ = now;
        }
    });
}

InputGate::~InputGate() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

void InputGate::RunClosed(const std::function<void()>& operation) {
    {
        const QScopedValueRollback closed(closed_, true);
        operation();
    }
    TakeInputAgain();
}

void InputGate::RunOpen(const std::function<void()>& operation) {
    operation();
    TakeInputAgain();
}

// Everything the display server has sent up to now runs with the gate closed, so input given
// until now has no effect, not even later; then the focus goes back where it was.
void InputGate::TakeInputAgain() {
    const QScopedValueRollback closed(closed_, true);
    RunEventsSentUpToNow(window_);
    if (QWidget* target = FocusReturnTarget(lastFocus_)) {
        target->setFocus(Qt::OtherFocusReason);
    }
}

bool InputGate::BelongsToWindow(const QObject* object) const {
    for (; object; object = object->parent()) {
        if (object == &window_) {
            return true;
        }
    }
    return false;
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
    // The window takes input again once it is enabled; inside an operation that keeps the gate
    // closed, only once the operation has returned.
    if (watched == &window_ && event->type() == QEvent::EnabledChange && window_.isEnabled() &&
        !closed_) {
        TakeInputAgain();
        return false;
    }
    if (!IsUserInput(event->type()) || (!closed_ && window_.isEnabled())) {
        return false;
    }
    return BelongsToWindow(watched);
}
