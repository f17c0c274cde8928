#include "command_text.h"

#include <algorithm>

#include "frame_codec.h"

QByteArray TypedCommandBytes(const QString& text) {
    const bool latin1 =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
    return latin1 ? text.toLatin1() : text.toUtf8();
}

bool FitsInFrame(const QByteArray& command) {
    return static_cast<std::size_t>(command.size()) <= frame::kMaxCommandLength;
}

QString ReplyText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}
