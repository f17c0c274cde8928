#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// Readers of the fixed reply positions the operations use. Each takes the last reply and its
// length and answers only for the exact length the command's reply must have; a field past the
// end of the bytes is absent, never read out of bounds. Nothing here talks to the window or the
// link, so the readers can be fed any bytes.

// "0000AC", 17 characters: the device ID at 2 to 5.
std::optional<QByteArray> ParseIdentifyReply(const QByteArray& reply, int length);
// "DB", 29 characters: 8 to 15, three spaces, 16 to 23.
std::optional<QString> ParseVersionReply(const QByteArray& reply, int length);
// "AS", 21 characters: the serial number at 8 to 15.
std::optional<QString> ParseSerialReply(const QByteArray& reply, int length);
// The serial-number panel: "S/N:" serial "   ID:" device ID.
QString SerialPanelText(const QString& serial, const QByteArray& deviceId);

// "DG0", 29 characters: DI1 to DI8 at 8 to 15, active only where the character is '1'.
using InputStates = std::array<bool, 8>;
std::optional<InputStates> ParseInputsReply(const QByteArray& reply, int length);

// "PI", 35 characters (clock) or 59 (clock and one record), as display texts.
struct PollReply {
    QString clock;
    std::optional<QString> record;
};
std::optional<PollReply> ParsePollReply(const QByteArray& reply, int length);
