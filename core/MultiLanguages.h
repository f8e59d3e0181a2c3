#pragma once

#include <QString>

// The language table: every text the program shows, addressed by key. Each key has a built-in
// English text; the current texts are loaded once at start from the language file.
enum LangId : int {
#define PLATTERLY_LANG(key, text) key,
#include "core/LanguageTable.def"
#undef PLATTERLY_LANG
    LangKeyCount
};

namespace MultiLanguages {

// The current text of a key: an array index, no lookup.
const QString& Text(LangId key);
inline const QString& L(LangId key) {
    return Text(key);
}

const char* KeyName(LangId key);
const char* EnglishText(LangId key);

// Fills the current texts from globals::LanguageFileName, writing the default file first when it
// is missing or not marked complete. True when every key was read.
bool LoadLanguage();
// Writes the marker "Flags" and every key with its encoded current text into section
// "Language"; other keys and sections of the file stay as they are.
bool WriteDefaultLanguage();

QString DecodeLanguageText(const QString& text);
QString EncodeLanguageText(const QString& text);

// Back to the built-in English texts (start of a run; tests).
void ResetToEnglish();

} // namespace MultiLanguages
