#pragma once

#include <QColor>
#include <QFont>

#include <optional>

#include "text_table.h"

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
