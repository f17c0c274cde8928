#include "block_progress_bar.h"

#include <QStyleOptionProgressBar>

BlockProgressBar::BlockProgressBar(QWidget* parent) : QProgressBar(parent) {}

void BlockProgressBar::initStyleOption(QStyleOptionProgressBar* option) const {
    QProgressBar::initStyleOption(option);
    if (option->minimum == option->maximum) {
        option->maximum = option->minimum + 1;
        option->progress = option->minimum;
    }
}
