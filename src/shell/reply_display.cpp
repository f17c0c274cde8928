#include "reply_display.h"

QString ReplyDisplayText(const QByteArray& reply) {
    QString text = QString::fromLatin1(reply);
    for (QChar& c : text) {
        if (c == QChar(0x03) || c == QChar(0x04) || c == QChar(0x0D)) {
            c = QChar(0x2400 + c.unicode());
        }
    }
    return text;
}
