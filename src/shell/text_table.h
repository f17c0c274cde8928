#pragma once

#include <QString>

#include <array>

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
