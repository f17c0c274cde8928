#pragma once

#include <QProgressBar>

// A progress bar over a count of blocks. A count of 0 draws an empty bar: a plain QProgressBar
// would take its range of 0..0 for "busy" and animate. Range and value stay as they were set.
class BlockProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit BlockProgressBar(QWidget* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionProgressBar* option) const override;
};
