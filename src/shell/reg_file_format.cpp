#include "reg_file_format.h"

#include <QRegularExpression>
#include <QStringList>

namespace RegFile {
namespace {

QString Unescape(QStringView quoted, bool* ok) {
    QString out;
    *ok = true;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        QChar c = quoted[i];
        // An unescaped quote, or a NUL that no registry text can hold: not a file of ours.
        if (c == u'"' || c.isNull()) {
            *ok = false;
            return {};
        }
        if (c == u'\\') {
            if (++i == quoted.size() || (quoted[i] != u'\\' && quoted[i] != u'"')) {
                *ok = false;
                return {};
            }
            c = quoted[i];
        }
        out.append(c);
    }
    return out;
}

QString Escape(const QString& text) {
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'"', QStringLiteral("\\\""));
    return out;
}

bool ParseHexBytes(const QString& text, QByteArray& bytes) {
    bytes.clear();
    if (text.isEmpty()) {
        return true;
    }
    for (const QString& part : text.split(u',')) {
        bool ok = false;
        const uint value = part.trimmed().toUInt(&ok, 16);
        if (!ok || part.trimmed().size() != 2 || value > 0xFF) {
            return false;
        }
        bytes.append(static_cast<char>(value));
    }
    return true;
}

// hex(1) is a text and hex(2) an expandable text (UTF-16LE with its terminator), both taken
// literally; any other hex type stays binary and so never reads as a text or an integer.
bool ParseValue(const QString& value, QVariant& out) {
    static const QRegularExpression dword(QStringLiteral("^dword:([0-9A-Fa-f]{8})$"));
    static const QRegularExpression hex(QStringLiteral("^hex(\\(([0-9A-Fa-f]+)\\))?:(.*)$"));
    if (value.startsWith(u'"') && value.endsWith(u'"') && value.size() >= 2) {
        bool ok = false;
        out = Unescape(QStringView(value).mid(1, value.size() - 2), &ok);
        return ok;
    }
    if (const auto m = dword.match(value); m.hasMatch()) {
        out = static_cast<int>(m.captured(1).toUInt(nullptr, 16));
        return true;
    }
    const auto m = hex.match(value);
    QByteArray bytes;
    if (!m.hasMatch() || !ParseHexBytes(m.captured(3), bytes)) {
        return false;
    }
    const int hexType = m.captured(2).toInt(nullptr, 16);
    if ((hexType == 1 || hexType == 2) && bytes.size() % 2 == 0) {
        // Code units taken as they are, even a lone surrogate, so a save writes back the same.
        QString text;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const auto unit = static_cast<char16_t>(static_cast<quint8>(bytes[i]) |
                                                    static_cast<quint8>(bytes[i + 1]) << 8);
            if (unit == 0) {
                break;
            }
            text.append(QChar(unit));
        }
        out = text;
    } else {
        out = bytes;
    }
    return true;
}

// A text that cannot stand on one quoted UTF-8 line is written as regedit does, in its hex form.
QString TextValue(const QString& text) {
    if (!text.contains(u'\n') && !text.contains(u'\r') && QStringView(text).isValidUtf16()) {
        return u'"' + Escape(text) + u'"';
    }
    QByteArray bytes;
    for (const QChar c : text + QChar(0)) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF))
            .append(static_cast<char>(c.unicode() >> 8));
    }
    return QStringLiteral("hex(1):") + QString::fromLatin1(bytes.toHex(','));
}

bool ParseValueLine(const QString& line, QSettings::SettingsMap& map) {
    // "NAME"=value; a name never holds a quote in our files.
    static const QRegularExpression entry(QStringLiteral("^\"([^\"\\\\]+)\"=(.*)$"));
    const auto m = entry.match(line);
    QVariant value;
    if (!m.hasMatch() || !ParseValue(m.captured(2), value)) {
        return false;
    }
    map.insert(m.captured(1), value);
    return true;
}

}  // namespace

bool Parse(const QByteArray& content, QSettings::SettingsMap& map) {
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
    }
    if (lines.isEmpty() || lines.front() != QLatin1String(kHeader)) {
        return false;
    }
    bool inSection = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty()) {
            continue;
        }
        if (line.startsWith(u'[')) {
            // One key only: anything else is not a file of ours.
            if (inSection || line != u'[' + QLatin1String(kSection) + u']') {
                return false;
            }
            inSection = true;
        } else if (!inSection || !ParseValueLine(line, map)) {
            return false;
        }
    }
    return true;
}

bool Serialize(const QSettings::SettingsMap& map, QByteArray& content) {
    QString text = QLatin1String(kHeader) + QStringLiteral("\n\n[") + QLatin1String(kSection) +
                   QStringLiteral("]\n");
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        QString value;
        const int type = it.value().typeId();
        if (type == QMetaType::QString) {
            value = TextValue(it.value().toString());
        } else if (type == QMetaType::Int || type == QMetaType::UInt) {
            value = QStringLiteral("dword:%1").arg(it.value().toUInt(), 8, 16, QChar(u'0'));
        } else if (type == QMetaType::QByteArray) {
            value = QStringLiteral("hex:") +
                    QString::fromLatin1(it.value().toByteArray().toHex(',')).toLower();
        } else {
            return false;  // no such registry type
        }
        text += u'"' + it.key() + QStringLiteral("\"=") + value + u'\n';
    }
    content = text.toUtf8();
    return true;
}

bool Read(QIODevice& device, QSettings::SettingsMap& map) {
    if (device.size() > kMaxFileSize) {
        return false;
    }
    const QByteArray content = device.read(kMaxFileSize + 1);
    return content.size() <= kMaxFileSize && Parse(content, map);
}

bool Write(QIODevice& device, const QSettings::SettingsMap& map) {
    QByteArray content;
    return Serialize(map, content) && device.write(content) == content.size();
}

QSettings::Format Format() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("reg"), &Read, &Write);
    return format;
}

}  // namespace RegFile
