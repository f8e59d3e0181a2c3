#include "TocReader.h"

#include "../CueSheet.h"
#include "SheetText.h"
#include "discengine/Errors.h"

#include <cctype>

namespace fs = std::filesystem;

namespace discengine::sheets {
namespace {

constexpr std::int64_t kSampleBytes = 4; // 16-bit stereo

struct Token {
    std::string text;
    bool quoted = false;
    std::size_t line = 0;
};

std::vector<Token> Tokenize(const std::string& text, const std::string& name) {
    std::vector<Token> tokens;
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '\n')
            ++line;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '{' || c == '}' || c == ',') {
            tokens.push_back({std::string(1, c), false, line});
            ++i;
        } else if (c == '"') {
            auto end = text.find('\n', i);
            auto words = SplitWords(text.substr(i, end == std::string::npos ? end : end - i));
            if (!words || words->empty() || !words->front().quoted)
                throw EngineError(name + " line " + std::to_string(line) +
                                  ": a quote is not closed");
            tokens.push_back({words->front().text, true, line});
            // Skip the quoted text as SplitWords read it: to the closing quote.
            ++i;
            while (i < text.size() && text[i] != '"')
                i += text[i] == '\\' ? 2 : 1;
            ++i;
        } else {
            std::size_t start = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) &&
                   text[i] != '{' && text[i] != '}' && text[i] != ',' && text[i] != '"')
                ++i;
            tokens.push_back({text.substr(start, i - start), false, line});
        }
    }
    return tokens;
}

class TocParser {
public:
    TocParser(const fs::path& sheet, SheetRule rule, std::vector<Token> tokens)
        : sheet_(sheet), rule_(rule), tokens_(std::move(tokens)) {}

    DiscPlan Parse() {
        while (More()) {
            std::string key = Upper(Next().text);
            if (key == "CD_DA" || key == "CD_ROM" || key == "CD_ROM_XA" || key == "CD_I")
                continue;
            if (key == "CATALOG")
                plan_.catalog = Quoted("CATALOG");
            else if (key == "CD_TEXT")
                ReadCdText(plan_.text, true);
            else if (key == "TRACK")
                ReadTrack();
            else
                Fail("unknown keyword " + key);
        }
        CheckPlan(plan_, sheet_.filename().string());
        return std::move(plan_);
    }

private:
    [[noreturn]] void Fail(const std::string& why) const {
        std::size_t line = 0;
        if (!tokens_.empty())
            line = tokens_[pos_ > 0 ? std::min(pos_, tokens_.size()) - 1 : 0].line;
        throw EngineError(sheet_.filename().string() + " line " + std::to_string(line) + ": " +
                          why);
    }
    bool More() const { return pos_ < tokens_.size(); }
    const Token& Next() {
        if (!More())
            Fail("the file ends too early");
        return tokens_[pos_++];
    }
    const Token* Peek() const { return More() ? &tokens_[pos_] : nullptr; }
    bool PeekIs(const char* word) const {
        return Peek() && !Peek()->quoted && Upper(Peek()->text) == word;
    }
    std::string Quoted(const std::string& what) {
        const Token& t = Next();
        if (!t.quoted)
            Fail(what + " needs a quoted text");
        return t.text;
    }
    void Expect(const char* word) {
        if (Upper(Next().text) != word)
            Fail(std::string("expected ") + word);
    }
    // Skips a { ... } group, nested ones included.
    void SkipGroup() {
        Expect("{");
        for (int depth = 1; depth > 0;) {
            const Token& t = Next();
            if (!t.quoted && t.text == "{")
                ++depth;
            else if (!t.quoted && t.text == "}")
                --depth;
        }
    }

    // CD_TEXT { LANGUAGE_MAP { ... } LANGUAGE n { FIELD "text" ... } ... }: language 0 is read.
    void ReadCdText(TextFields& text, bool disc) {
        Expect("{");
        while (!PeekIs("}")) {
            std::string key = Upper(Next().text);
            if (key == "LANGUAGE_MAP") {
                SkipGroup();
                continue;
            }
            if (key != "LANGUAGE")
                Fail("unexpected " + key + " in CD_TEXT");
            auto language = ParseCount(Next().text);
            Expect("{");
            while (!PeekIs("}")) {
                std::string field = Upper(Next().text);
                if (PeekIs("{")) {
                    SkipGroup(); // binary fields (SIZE_INFO, TOC_INFO1, GENRE as bytes)
                    continue;
                }
                std::string value = SheetTextToUtf8(Quoted(field));
                if (language != 0)
                    continue;
                std::string* target = field == "TITLE"             ? &text.title
                                      : field == "PERFORMER"       ? &text.performer
                                      : field == "SONGWRITER"      ? &text.songwriter
                                      : field == "COMPOSER"        ? &text.composer
                                      : field == "ARRANGER"        ? &text.arranger
                                      : field == "MESSAGE"         ? &text.message
                                      : field == "GENRE" && disc   ? &plan_.genre
                                      : field == "UPC_EAN" && disc ? &plan_.catalog
                                                                   : nullptr;
                if (target)
                    *target = value;
            }
            Expect("}");
        }
        Expect("}");
    }

    SectorMode ModeOf(const std::string& mode) {
        if (mode == "AUDIO")
            return SectorMode::Audio;
        if (mode == "MODE1")
            return SectorMode::Mode1Cooked;
        if (mode == "MODE1_RAW")
            return SectorMode::Mode1Raw;
        if (mode == "MODE2")
            return SectorMode::Mode2Formless;
        if (mode == "MODE2_RAW")
            return SectorMode::Mode2Raw;
        Fail("track mode " + mode + " is not supported");
    }

    // A length or position: mm:ss:ff in sectors, or a plain number of `unit` bytes.
    // Anything longer than a disc is refused here, so sums of lengths cannot overflow.
    std::int64_t Bytes(const std::string& text, std::int64_t sector, std::int64_t unit) {
        std::int64_t bytes = 0;
        if (auto msf = ParseMsf(text))
            bytes = *msf * sector;
        else if (auto count = ParseCount(text))
            bytes = *count * unit;
        else
            Fail("\"" + text + "\" is neither mm:ss:ff nor a number");
        if (bytes > kMaxDiscFrames * kRawSector)
            Fail(text + " is longer than a CD");
        return bytes;
    }

    bool IsNumberOrTime() const {
        const Token* t = Peek();
        return t && !t->quoted && (ParseMsf(t->text) || ParseCount(t->text));
    }

    void AddFile(PlanTrack& track, bool dataFile) {
        std::string name = Quoted("FILE");
        bool wave = name.size() > 4 && Upper(name.substr(name.size() - 4)) == ".WAV";
        FileKind kind = wave                              ? FileKind::Wave
                        : track.mode == SectorMode::Audio ? FileKind::Motorola
                                                          : FileKind::Binary;
        plan_.files.push_back(OpenSheetFile(sheet_, name, kind, rule_));
        const PlanFile& file = plan_.files.back();
        const std::int64_t sector = SectorBytes(track.mode);
        const std::int64_t unit = track.mode == SectorMode::Audio ? kSampleBytes : 1;
        std::int64_t offset = 0;
        if (Peek() && !Peek()->quoted && Peek()->text.rfind('#', 0) == 0) {
            auto skip = ParseCount(Next().text.substr(1));
            if (!skip)
                Fail("#offset needs a number of bytes");
            offset = *skip;
        }
        std::int64_t start = 0;
        if (!dataFile) {
            if (!IsNumberOrTime())
                Fail("FILE needs a start");
            start = Bytes(Next().text, sector, unit);
        }
        std::int64_t available = file.dataBytes - offset - start;
        std::int64_t length = available;
        if (IsNumberOrTime())
            length = Bytes(Next().text, sector, unit);
        if (offset + start > file.dataBytes || length > available || length <= 0)
            Fail("\"" + name + "\" holds fewer bytes than the track takes from it");
        track.pieces.push_back({static_cast<int>(plan_.files.size()) - 1, offset + start, length});
    }

    void ReadTrack() {
        PlanTrack track;
        track.mode = ModeOf(Upper(Next().text));
        if (PeekIs("RW") || PeekIs("RW_RAW"))
            Fail("sub-channel data is not supported");
        const std::int64_t sector = SectorBytes(track.mode);
        const std::int64_t unit = track.mode == SectorMode::Audio ? kSampleBytes : 1;
        bool started = false;
        auto length = [&] {
            std::int64_t bytes = 0;
            for (const Piece& p : track.pieces)
                bytes += p.bytes;
            return bytes;
        };
        while (More() && !PeekIs("TRACK")) {
            std::string key = Upper(Next().text);
            if (key == "NO")
                Next();
            else if (key == "COPY" || key == "PRE_EMPHASIS" || key == "TWO_CHANNEL_AUDIO" ||
                     key == "FOUR_CHANNEL_AUDIO")
                continue;
            else if (key == "ISRC")
                track.isrc = Quoted("ISRC");
            else if (key == "CD_TEXT")
                ReadCdText(track.text, false);
            else if (key == "PREGAP" || key == "SILENCE" || key == "ZERO") {
                if (key == "ZERO" && Peek() && !IsNumberOrTime())
                    Next(); // the data mode of the zeros: ours is the track's
                std::int64_t bytes = Bytes(Next().text, sector, unit);
                if (key == "PREGAP") {
                    if (!track.pieces.empty())
                        Fail("PREGAP must come first in a track");
                    track.index1 = bytes / sector;
                    started = true;
                }
                track.pieces.push_back({-1, 0, bytes});
            } else if (key == "FILE" || key == "AUDIOFILE" || key == "DATAFILE") {
                AddFile(track, key == "DATAFILE");
            } else if (key == "START") {
                if (started)
                    Fail("a track has one START (or PREGAP)");
                started = true;
                track.index1 = IsNumberOrTime() ? Bytes(Next().text, sector, unit) / sector
                                                : length() / sector;
            } else if (key == "INDEX") {
                Bytes(Next().text, sector, unit);
            } else if (key == "FIFO") {
                Fail("FIFO sources are not read");
            } else {
                Fail("unknown keyword " + key + " in a track");
            }
        }
        if (plan_.tracks.empty()) {
            // The first track starts at its START: what lies before is not part of the disc.
            DropLeadingBytes(track, track.index1 * sector);
            track.index1 = 0;
        }
        plan_.tracks.push_back(std::move(track));
    }

    fs::path sheet_;
    SheetRule rule_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    DiscPlan plan_;
};

} // namespace

DiscPlan ReadTocFile(const fs::path& sheet, const std::string& text, SheetRule rule) {
    return TocParser(sheet, rule, Tokenize(text, sheet.filename().string())).Parse();
}

} // namespace discengine::sheets
