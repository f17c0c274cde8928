#include "focus_return.h"

#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

namespace {

bool Usable(const QWidget* widget) {
    return widget->isVisible() && widget->isEnabled();
}

bool TakesTabFocus(const QWidget* widget) {
    return Usable(widget) && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// The page of a page control that holds the widget, or its window when none does.
QWidget* PageOf(QWidget* widget) {
    for (QWidget* up = widget; up->parentWidget(); up = up->parentWidget()) {
        const QWidget* stack = up->parentWidget();
        if (qobject_cast<const QStackedWidget*>(stack) &&
            qobject_cast<const QTabWidget*>(stack->parentWidget())) {
            return up;
        }
    }
    return widget->window();
}

QWidget* NextWithin(const QWidget* scope, QWidget* from) {
    for (QWidget* next = from->nextInFocusChain(); next && next != from;
         next = next->nextInFocusChain()) {
        if (scope->isAncestorOf(next) && TakesTabFocus(next)) {
            return next;
        }
    }
    return nullptr;
}

}  // namespace

QWidget* FocusReturnTarget(QWidget* last) {
    if (!last) {
        return nullptr;
    }
    if (Usable(last)) {
        return last;
    }
    if (QWidget* next = NextWithin(PageOf(last), last)) {
        return next;
    }
    return NextWithin(last->window(), last);
}
