#include "language_font.h"

#include <QStringList>

#include <array>
#include <cctype>

namespace {

// Numbers are held as decimal texts, the colour as "0x" hex, as the font table gives them.
const std::array<LanguageFont, kLanguageCount> kFonts = {{
    {"MS Sans Serif", "0", "10", "0", "0x00000000"},
    {"宋体", "134", "12", "0", "0x00000000"},
    {"細明體", "136", "12", "0", "0x00000000"},
}};

}  // namespace

const LanguageFont& FontOf(Language language) {
    return kFonts.at(static_cast<int>(language));
}

QFont LanguageWindowFont(Language language, const QFont& base) {
    const LanguageFont& entry = FontOf(language);
    QFont font = base;
    // Where the face is missing, the CJK face of the same script stands in, also for Latin text.
    QStringList families{QString::fromUtf8(entry.face)};
    if (language == Language::ChineseGB) {
        families.append(QStringLiteral("Noto Sans CJK SC"));
    } else if (language == Language::ChineseBIG5) {
        families.append(QStringLiteral("Noto Sans CJK TC"));
    }
    font.setFamilies(families);
    font.setPointSize(QString::fromLatin1(entry.size).toInt());
    const int style = QString::fromLatin1(entry.style).toInt();
    if (style <= 15) {
        font.setBold(style & 1);
        font.setItalic(style & 2);
        font.setUnderline(style & 4);
        font.setStrikeOut(style & 8);
    }
    return font;
}

QColor LanguageFontColor(Language language) {
    return ColorFromText(FontOf(language).color).value_or(QColor(Qt::black));
}

std::optional<QColor> ColorFromText(const char* text) {
    QByteArray digits(text);
    int base = 10;
    if (digits.startsWith("0x") || digits.startsWith("0X")) {
        digits.remove(0, 2);
        base = 16;
    }
    bool ok = false;
    const uint value = digits.toUInt(&ok, base);
    // The top byte names a system colour, which the table never holds.
    if (!ok || digits.isEmpty() || !std::isxdigit(static_cast<unsigned char>(digits[0])) ||
        value > 0xFFFFFF) {
        return std::nullopt;
    }
    const auto byte = [value](int shift) { return static_cast<int>((value >> shift) & 0xFF); };
    return QColor(byte(0), byte(8), byte(16));
}
