#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <array>
#include <optional>

#include "text_id.h"

enum class Language { English = 0, ChineseGB = 1, ChineseBIG5 = 2 };

inline constexpr int kLanguageCount = 3;

// The localised texts: one entry per text, one column per language, held as UTF-8.
class TextTable {
public:
    using Entry = std::array<const char*, kLanguageCount>;

    static QString Text(TextId id, Language language);
    // Entry 7 is shown whole in every language: one menu item per column.
    static QString LanguageItem(Language language);
    static const Entry& Raw(int index);
};

// Window font per language.
struct LanguageFont {
    const char* face;
    const char* charset;
    const char* size;
    const char* style;
    const char* color;
};

const LanguageFont& FontOf(Language language);
// Builds the window font for the language on top of the given one.
QFont LanguageWindowFont(Language language, const QFont& base);
QColor LanguageFontColor(Language language);
// A colour held as a number 0x00BBGGRR, in hexadecimal after "0x" or in decimal; nothing for a
// text that is not such a number.
std::optional<QColor> ColorFromText(const char* text);
