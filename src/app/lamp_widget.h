#pragma once

#include <QColor>
#include <QWidget>

// A lamp: a circle filled with one colour, drawn within the widget's bounds.
class LampWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)

public:
    explicit LampWidget(QWidget* parent = nullptr);

    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_ = Qt::white;
};
