#include "CueReader.h"

#include "../CueSheet.h"
#include "SheetText.h"
#include "discengine/Errors.h"

#include <optional>

namespace fs = std::filesystem;

namespace discengine::sheets {
namespace {

// An INDEX line: where in which file it points.
struct Mark {
    int number = 0;
    int file = 0;
    std::int64_t frame = 0;
    std::int64_t byte = 0; // from the file's data start; worked out once every line is read
};

struct CueTrackLines {
    PlanTrack plan;
    std::vector<Mark> marks;
    std::int64_t pregap = 0, postgap = 0;
};

// A place in the files taken one after the other.
struct Position {
    int file = 0;
    std::int64_t byte = 0;
};

class CueParser {
public:
    CueParser(const fs::path& sheet, SheetRule rule) : sheet_(sheet), rule_(rule) {}

    DiscPlan Parse(const std::string& text) {
        std::size_t pos = 0;
        while (pos <= text.size()) {
            auto end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            ++lineNo_;
            if (lineNo_ == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
                line.erase(0, 3); // a UTF-8 byte order mark
            auto words = SplitWords(line);
            if (!words)
                Fail("a quote is not closed");
            if (!words->empty())
                Line(*words);
        }
        Finish();
        return std::move(plan_);
    }

private:
    [[noreturn]] void Fail(const std::string& why) const {
        throw EngineError(sheet_.filename().string() + " line " + std::to_string(lineNo_) + ": " +
                          why);
    }

    void Line(const std::vector<Word>& w) {
        std::string key = Upper(w[0].text);
        auto arg = [&](std::size_t i) -> const std::string& {
            if (i >= w.size())
                Fail(key + " needs more words");
            return w[i].text;
        };
        if (key == "REM") {
            if (w.size() >= 3 && Upper(w[1].text) == "GENRE")
                plan_.genre = SheetTextToUtf8(w[2].text);
        } else if (key == "FILE") {
            OpenFile(arg(1), Upper(arg(2)));
        } else if (key == "TRACK") {
            StartTrack(arg(1), Upper(arg(2)));
        } else if (key == "INDEX") {
            AddIndex(arg(1), arg(2));
        } else if (key == "PREGAP" || key == "POSTGAP") {
            auto frames = ParseMsf(arg(1));
            if (!frames)
                Fail(key + " needs a time mm:ss:ff");
            auto& track = Current(key);
            if (key == "PREGAP" && !track.marks.empty())
                Fail("PREGAP must come before the track's INDEX lines");
            (key == "PREGAP" ? track.pregap : track.postgap) = *frames;
        } else if (key == "ISRC") {
            Current(key).plan.isrc = arg(1);
        } else if (key == "CATALOG" || key == "UPC_EAN") {
            plan_.catalog = arg(1);
        } else if (key == "GENRE") {
            plan_.genre = SheetTextToUtf8(arg(1));
        } else if (auto* field = TextField(key)) {
            *field = SheetTextToUtf8(arg(1));
        } else if (key != "FLAGS" && key != "CDTEXTFILE" && key != "DISC_ID") {
            Fail("unknown keyword " + w[0].text);
        }
    }

    std::string* TextField(const std::string& key) {
        TextFields& t = tracks_.empty() ? plan_.text : tracks_.back().plan.text;
        if (key == "TITLE")
            return &t.title;
        if (key == "PERFORMER")
            return &t.performer;
        if (key == "SONGWRITER")
            return &t.songwriter;
        if (key == "COMPOSER")
            return &t.composer;
        if (key == "ARRANGER")
            return &t.arranger;
        if (key == "MESSAGE")
            return &t.message;
        return nullptr;
    }

    CueTrackLines& Current(const std::string& key) {
        if (tracks_.empty())
            Fail(key + " comes before the first TRACK");
        return tracks_.back();
    }

    void OpenFile(const std::string& name, const std::string& type) {
        FileKind kind = FileKind::Binary;
        if (type == "MOTOROLA")
            kind = FileKind::Motorola;
        else if (type == "WAVE")
            kind = FileKind::Wave;
        else if (type != "BINARY")
            Fail("FILE type " + type + " is not read (BINARY, MOTOROLA and WAVE are)");
        plan_.files.push_back(OpenSheetFile(sheet_, name, kind, rule_));
    }

    void StartTrack(const std::string& number, const std::string& mode) {
        if (plan_.files.empty())
            Fail("TRACK before the first FILE");
        auto n = ParseCount(number);
        if (!n || *n < 1 || *n > 99 || (!tracks_.empty() && *n != lastNumber_ + 1))
            Fail("track numbers must count up by one from 01 to 99");
        lastNumber_ = *n;
        if (!tracks_.empty() && !HasIndex(tracks_.back(), 1))
            Fail("the previous track has no INDEX 01");
        CueTrackLines track;
        if (mode == "AUDIO")
            track.plan.mode = SectorMode::Audio;
        else if (mode == "MODE1/2048")
            track.plan.mode = SectorMode::Mode1Cooked;
        else if (mode == "MODE1/2352")
            track.plan.mode = SectorMode::Mode1Raw;
        else if (mode == "MODE2/2352")
            track.plan.mode = SectorMode::Mode2Raw;
        else if (mode == "MODE2/2336")
            track.plan.mode = SectorMode::Mode2Formless;
        else
            Fail("track mode " + mode + " is not supported");
        if (plan_.files.back().kind == FileKind::Wave && IsData(track.plan.mode))
            Fail("a data track cannot come from a WAVE file");
        tracks_.push_back(std::move(track));
    }

    static bool HasIndex(const CueTrackLines& track, int number) {
        for (const Mark& m : track.marks)
            if (m.number == number)
                return true;
        return false;
    }

    void AddIndex(const std::string& number, const std::string& time) {
        auto& track = Current("INDEX");
        auto n = ParseCount(number);
        auto frame = ParseMsf(time);
        if (!n || *n > 99 || !frame)
            Fail("INDEX needs a number and a time mm:ss:ff");
        int file = static_cast<int>(plan_.files.size()) - 1;
        if (track.marks.empty() ? *n > 1 : *n != track.marks.back().number + 1)
            Fail("INDEX numbers must start at 00 or 01 and count up by one");
        if (lastMark_ && lastMark_->file == file && *frame < lastMark_->frame)
            Fail("INDEX goes back in the file");
        track.marks.push_back({static_cast<int>(*n), file, *frame, 0});
        lastMark_ = track.marks.back();
    }

    // Byte offsets of the marks: the sectors before a mark have the size of the track they
    // belong to, which changes at each track's first mark.
    void PlaceMarks() {
        std::optional<SectorMode> owner;
        Mark previous{-1, -1, 0, 0};
        for (auto& track : tracks_) {
            for (std::size_t i = 0; i < track.marks.size(); ++i) {
                Mark& m = track.marks[i];
                if (m.file != previous.file)
                    previous = Mark{-1, m.file, 0, 0};
                std::int64_t size = SectorBytes(owner.value_or(track.plan.mode));
                m.byte = previous.byte + (m.frame - previous.frame) * size;
                if (m.byte > plan_.files[static_cast<std::size_t>(m.file)].dataBytes)
                    Fail("INDEX of track " + std::to_string(&track - tracks_.data() + 1) +
                         " lies past the end of its file");
                previous = m;
                if (i == 0)
                    owner = track.plan.mode;
            }
        }
    }

    // Adds the bytes from `from` to `to` to `track`, completing a file's last sector with zeros.
    void AddRange(PlanTrack& track, Position from, Position to) {
        const std::int64_t size = SectorBytes(track.mode);
        for (int f = from.file; f <= to.file; ++f) {
            std::int64_t begin = f == from.file ? from.byte : 0;
            std::int64_t end =
                f == to.file ? to.byte : plan_.files[static_cast<std::size_t>(f)].dataBytes;
            if (end > begin)
                track.pieces.push_back({f, begin, end - begin});
            std::int64_t partial = (end - begin) % size;
            if (f != to.file && partial != 0)
                track.pieces.push_back({-1, 0, size - partial});
        }
    }

    void Finish() {
        if (tracks_.empty())
            throw EngineError(sheet_.filename().string() + " holds no TRACK");
        if (!HasIndex(tracks_.back(), 1))
            Fail("the last track has no INDEX 01");
        PlaceMarks();
        const int lastFile = static_cast<int>(plan_.files.size()) - 1;
        const Position end{lastFile, plan_.files.back().dataBytes};
        for (std::size_t i = 0; i < tracks_.size(); ++i) {
            CueTrackLines& lines = tracks_[i];
            PlanTrack& track = lines.plan;
            const Mark& first = lines.marks.front();
            const Mark& index1 = lines.marks[first.number == 0 ? 1 : 0];
            // The first track starts at its INDEX 01: the disc's own 2 s pregap is not data.
            const Mark& start = i == 0 ? index1 : first;
            Position to = i + 1 < tracks_.size() ? Position{tracks_[i + 1].marks.front().file,
                                                            tracks_[i + 1].marks.front().byte}
                                                 : end;
            std::int64_t size = SectorBytes(track.mode);
            if (i > 0 && lines.pregap > 0)
                track.pieces.push_back({-1, 0, lines.pregap * size});
            PlanTrack before;
            before.mode = track.mode;
            AddRange(before, {start.file, start.byte}, {index1.file, index1.byte});
            track.index1 = (i > 0 ? lines.pregap : 0) + before.Sectors();
            AddRange(track, {start.file, start.byte}, to);
            if (lines.postgap > 0)
                track.pieces.push_back({-1, 0, lines.postgap * size});
            plan_.tracks.push_back(std::move(track));
        }
        CheckPlan(plan_, sheet_.filename().string());
    }

    fs::path sheet_;
    SheetRule rule_;
    DiscPlan plan_;
    std::vector<CueTrackLines> tracks_;
    std::optional<Mark> lastMark_;
    std::int64_t lastNumber_ = 0;
    std::size_t lineNo_ = 0;
};

} // namespace

DiscPlan ReadCueSheet(const fs::path& sheet, const std::string& text, SheetRule rule) {
    return CueParser(sheet, rule).Parse(text);
}

} // namespace discengine::sheets
