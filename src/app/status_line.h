#pragma once

#include <QLabel>

// The window's status line: a label that screen readers take for a status bar, whose every new
// text they are told of.
class StatusLine : public QLabel {
    Q_OBJECT

public:
    explicit StatusLine(QWidget* parent = nullptr) : QLabel(parent) {}
};
