#include "input_gate.h"

#include "display_events.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

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
}

InputGate::~InputGate() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

bool InputGate::SetClosed(bool closed) {
    const bool was = closed_;
    closed_ = closed;
    return was;
}

void InputGate::DiscardInputSentUpToNow() {
    const bool was = SetClosed(true);
    RunEventsSentUpToNow(window_);
    SetClosed(was);
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
    if (!IsUserInput(event->type()) || (!closed_ && window_.isEnabled())) {
        return false;
    }
    return BelongsToWindow(watched);
}
