#include "accessible_roles.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

// Its name is the one the window gives it with each colour.
class LampAccessible : public QAccessibleWidget {
public:
    explicit LampAccessible(QWidget* lamp) : QAccessibleWidget(lamp, QAccessible::Graphic) {}
};

// Named by its text, so that each new text is said as the label announces its change.
class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(QWidget* line)
        : QAccessibleWidget(line, QAccessible::StatusBar) {}

    QString text(QAccessible::Text which) const override {
        if (which == QAccessible::Name) {
            return static_cast<const QLabel*>(widget())->text();
        }
        return QAccessibleWidget::text(which);
    }
};

QAccessibleInterface* ToolAccessible(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) {
        return nullptr;
    }
    if (className == QLatin1String("LampWidget")) {
        return new LampAccessible(widget);
    }
    if (className == QLatin1String("StatusLine")) {
        return new StatusLineAccessible(widget);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(&ToolAccessible);
        return true;
    }();
    (void)installed;
}
