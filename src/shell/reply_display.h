#pragma once

#include <QByteArray>
#include <QString>

// A raw reply as text: Latin-1, with its framing bytes 0x03, 0x04 and 0x0D shown as the control
// pictures ␃ ␄ ␍ so that they can be seen in an edit field.
QString ReplyDisplayText(const QByteArray& reply);
