#pragma once

#include <QString>

#include <optional>

// What the report says about the firmware file, learnt when it is checked before anything is
// sent. Each target's upgrade reads the file again, as the window does.
struct ImageFacts {
    QString fileName;
    qint64 size = 0;
    QString sha256;
};

// A regular, readable file whose data fits the 124 blocks; nullopt and one line naming the file
// otherwise. The window drops data beyond the blocks without a word; a production line must not.
std::optional<ImageFacts> CheckImage(const QString& path, QString* error);
