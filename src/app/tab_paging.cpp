#include "tab_paging.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTabWidget>

namespace {

void ShowNextShownPage(QTabWidget& pages, int step) {
    const int count = pages.count();
    for (int n = 1; n < count; ++n) {
        const int index = ((pages.currentIndex() + step * n) % count + count) % count;
        if (pages.isTabVisible(index) && pages.isTabEnabled(index)) {
            pages.setCurrentIndex(index);
            return;
        }
    }
}

// +1 for the next page, -1 for the one before, 0 for a key that pages nothing.
int StepOf(int key, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier) || (modifiers & (Qt::AltModifier | Qt::MetaModifier))) {
        return 0;
    }
    const bool shift = modifiers & Qt::ShiftModifier;
    switch (key) {
        case Qt::Key_Tab:
            return shift ? -1 : 1;
        case Qt::Key_Backtab:
            return -1;
        case Qt::Key_PageDown:
            return shift ? 0 : 1;
        case Qt::Key_PageUp:
            return shift ? 0 : -1;
        default:
            return 0;
    }
}

}  // namespace

TabPaging::TabPaging(std::initializer_list<QTabWidget*> pageControls)
    : pageControls_(pageControls) {
    // Before the focused control sees the key, which may take it for itself.
    QCoreApplication::instance()->installEventFilter(this);
}

TabPaging::~TabPaging() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

// The innermost page control whose pages or tab bar hold the object, in the same window.
QTabWidget* TabPaging::PageControlHolding(const QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    QTabWidget* holding = nullptr;
    for (QTabWidget* pages : pageControls_) {
        if (widget && (pages == widget || pages->isAncestorOf(widget)) &&
            (!holding || holding->isAncestorOf(pages))) {
            holding = pages;
        }
    }
    return holding;
}

bool TabPaging::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const int step = StepOf(key->key(), key->modifiers());
    QTabWidget* pages = step != 0 ? PageControlHolding(watched) : nullptr;
    if (!pages || !pages->isEnabled()) {
        return false;
    }
    ShowNextShownPage(*pages, step);
    return true;
}
