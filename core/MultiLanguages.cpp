#include "core/MultiLanguages.h"

#include "core/globals.h"
#include "platform/IniFile.h"

#include <array>

namespace MultiLanguages {

namespace {

constexpr const char* Section = "Language";

constexpr std::array<const char*, LangKeyCount> KeyNames{
#define PLATTERLY_LANG(key, text) #key,
#include "core/LanguageTable.def"
#undef PLATTERLY_LANG
};

constexpr std::array<const char*, LangKeyCount> EnglishTexts{
#define PLATTERLY_LANG(key, text) text,
#include "core/LanguageTable.def"
#undef PLATTERLY_LANG
};

std::array<QString, LangKeyCount> makeEnglish() {
    std::array<QString, LangKeyCount> texts;
    for (int i = 0; i < LangKeyCount; ++i)
        texts[i] = QString::fromUtf8(EnglishTexts[i]);
    return texts;
}

std::array<QString, LangKeyCount>& currentTexts() {
    static std::array<QString, LangKeyCount> texts = makeEnglish();
    return texts;
}

bool isBlank(QChar c) {
    return c.unicode() <= ' ';
}

QString trimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

} // namespace

const QString& Text(LangId key) {
    return currentTexts()[static_cast<std::size_t>(key)];
}

const char* KeyName(LangId key) {
    return KeyNames[static_cast<std::size_t>(key)];
}

const char* EnglishText(LangId key) {
    return EnglishTexts[static_cast<std::size_t>(key)];
}

void ResetToEnglish() {
    currentTexts() = makeEnglish();
}

QString DecodeLanguageText(const QString& text) {
    QString decoded = trimBlanks(text);
    decoded.replace(QStringLiteral("#13"), QStringLiteral("\r\n"));
    return decoded;
}

QString EncodeLanguageText(const QString& text) {
    QString encoded = trimBlanks(text);
    encoded.replace(QStringLiteral("\r\n"), QStringLiteral("#13"));
    encoded.replace(QChar('\n'), QStringLiteral("#13"));
    encoded.replace(QChar('\r'), QStringLiteral("#13"));
    return encoded;
}

bool WriteDefaultLanguage() {
    platform::IniFile ini(globals::LanguageFileName);
    ini.setBool(Section, "Flags", true);
    auto& texts = currentTexts();
    for (int i = 0; i < LangKeyCount; ++i)
        ini.setString(Section, KeyNames[i], EncodeLanguageText(texts[i]).toStdString());
    return ini.save();
}

bool LoadLanguage() {
    std::error_code ec;
    if (!std::filesystem::exists(globals::LanguageFileName, ec))
        WriteDefaultLanguage();
    platform::IniFile ini(globals::LanguageFileName);
    if (!ini.readBool(Section, "Flags", false)) {
        WriteDefaultLanguage();
        if (!ini.reload())
            return false;
    }
    if (!ini.existsOnDisk())
        return true; // nothing could be written: every key keeps its English text
    auto& texts = currentTexts();
    for (int i = 0; i < LangKeyCount; ++i) {
        if (const auto v = ini.value(Section, KeyNames[i]))
            texts[i] = DecodeLanguageText(QString::fromStdString(*v));
    }
    return true;
}

} // namespace MultiLanguages
