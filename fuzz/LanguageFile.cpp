// The language-file decoder: a hostile language file loads without harm, and every text it
// sets is decoded (no "#13" line-break code is left in what the program shows).
#include "FuzzSupport.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzzsupport::Scratch() / "language.lng";
    fuzzsupport::WriteInput(file, data, size);
    globals::LanguageFileName = file.string();
    MultiLanguages::ResetToEnglish();
    MultiLanguages::LoadLanguage();
    for (int key = 0; key < LangKeyCount; ++key)
        FUZZ_CHECK(!MultiLanguages::Text(static_cast<LangId>(key)).contains(u"#13"),
                   MultiLanguages::KeyName(static_cast<LangId>(key)));
    MultiLanguages::DecodeLanguageText(
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
