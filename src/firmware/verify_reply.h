#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The verify comparison of the upgrade, kept pure so it can be fed any reply.

// A block as the program and verify requests carry it: two upper-case hex digits per byte.
QByteArray BlockHexText(QByteArrayView block);

// Whether characters 8 to 1031 of a verify reply (1 is the 0x03 byte) are exactly the block's hex
// text, case included. A reply too short to hold them all never matches.
bool VerifyReplyMatches(const QByteArray& reply, QByteArrayView block);
