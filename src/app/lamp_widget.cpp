#include "lamp_widget.h"

#include <QPainter>

LampWidget::LampWidget(QWidget* parent) : QWidget(parent) {}

void LampWidget::setFillColor(const QColor& color) {
    if (color == fill_) {
        return;
    }
    fill_ = color;
    update();
}

void LampWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill_);
    // A circle, not an ellipse: the smaller side is the diameter, centred in the bounds.
    const qreal diameter = qMin(width(), height()) - 1.0;
    QRectF circle(0, 0, diameter, diameter);
    circle.moveCenter(QRectF(rect()).center());
    painter.drawEllipse(circle);
}
