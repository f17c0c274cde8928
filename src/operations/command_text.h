#pragma once

#include <QByteArray>
#include <QString>

// Bytes of a command text typed by the user. The protocol is ASCII and the controller reads bytes,
// so a character up to U+00FF goes out as its one Latin-1 byte: what is typed is what is sent. A
// text holding anything beyond U+00FF is sent as UTF-8 as a whole rather than have those
// characters turned into '?'.
QByteArray TypedCommandBytes(const QString& text);

// Whether a command fits the link's frame buffer; a longer one must not be sent at all.
bool FitsInFrame(const QByteArray& command);

// Reply bytes as display text, one character per byte, so fields are shown as they came.
QString ReplyText(const QByteArray& bytes);
