#pragma once

#include <QByteArray>

// Reads replies by the protocol's 1-based positions (1 is the 0x03 byte). Positions past the end
// are absent: the field comes back shorter, never read out of bounds.
inline QByteArray ReplyPositions(const QByteArray& reply, int first, int last) {
    if (first < 1 || last < first || first > reply.size()) {
        return {};
    }
    const int end = last < reply.size() ? last : static_cast<int>(reply.size());
    return reply.mid(first - 1, end - first + 1);
}

inline char ReplyPosition(const QByteArray& reply, int position) {
    return position >= 1 && position <= reply.size() ? reply.at(position - 1) : '\0';
}
