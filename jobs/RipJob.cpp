#include "jobs/RipJob.h"

#include "core/MultiLanguages.h"
#include "jobs/RipReport.h"
#include "jobs/TCDGrabber.h"
#include "ui/TextFormat.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using MultiLanguages::Text;

namespace rip {

QString SpeedFactorText(double factor) {
    const QString point = QLocale().decimalPoint();
    if (!std::isfinite(factor) || factor <= 0)
        return QStringLiteral("0") + point + QStringLiteral("0");
    // Two significant digits, but never more than one decimal place.
    const int magnitude = static_cast<int>(std::floor(std::log10(factor)));
    const int decimals = std::min(1, 1 - magnitude);
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(factor * scale) / scale;
    if (rounded < 100.0) {
        QString text = QString::number(rounded, 'f', 1);
        return text.replace(QLatin1Char('.'), point);
    }
    int exponent = static_cast<int>(std::floor(std::log10(rounded)));
    double mantissa = std::round(rounded / std::pow(10.0, exponent) * 10.0) / 10.0;
    if (mantissa >= 10.0) {
        mantissa /= 10.0;
        ++exponent;
    }
    QString digits = QString::number(mantissa, 'f', 1);
    if (digits.endsWith(QLatin1String(".0")))
        digits.chop(2);
    return digits.replace(QLatin1Char('.'), point) + QLatin1Char('E') + QString::number(exponent);
}

std::string SafeFileName(const std::string& name) {
    if (name == "." || name == "..")
        return "_";
    std::string safe = name;
    for (char& c : safe)
        if (c == '/' || c == '\0')
            c = '_';
    return safe;
}

QString DefaultTrackTitle(int trackNumber) {
    return ui::FormatText(Text(IDS_READCD_LISTVIEW_ITEM_Title),
                          {static_cast<long long>(trackNumber)});
}

OutputFormat FormatFor(int grabOutputFormat) {
    switch (grabOutputFormat) {
    case globals::FormatRaw:
        return {".raw", CDGRB_FORMAT_RAW};
    case globals::FormatMp3:
        return {".mp3", CDGRB_FORMAT_MP3};
    case globals::FormatOgg:
        return {".ogg", CDGRB_FORMAT_OGG};
    case globals::FormatFlac:
        return {".flac", CDGRB_FORMAT_FLAC};
    default:
        return {".wav", CDGRB_FORMAT_WAV};
    }
}

bool Id3v2FrameWritable(const std::string& id) {
    if (id.size() != 4)
        return false;
    for (char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return id[0] == 'T' || id[0] == 'W' || id == "COMM" || id == "USLT";
}

namespace {

// A text into a fixed field: cut to the field, NUL-terminated only when shorter.
template <std::size_t N> void PutText(char (&field)[N], const std::string& text) {
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// The records' text fields are single-byte: a text Latin-1 can hold goes as Latin-1, so whatever
// fits the field is written whole (UTF-8 would spend two bytes on every accented letter). Other
// text goes as UTF-8, which the library tells apart and writes whole into ID3v2 and Vorbis
// comments, narrowing only the ID3v1 tag.
std::string RecordText(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return Utf8(text);
    }
    const QByteArray latin1 = text.toLatin1();
    return std::string(latin1.constData(), static_cast<std::size_t>(latin1.size()));
}

std::string RecordText(const std::string& utf8) {
    return RecordText(QString::fromStdString(utf8));
}

std::int32_t Flag(bool on) {
    return on ? -1 : 0;
}

int TableAt(const auto& table, int index) {
    const int i = std::clamp(index, 0, static_cast<int>(table.size()) - 1);
    return table[static_cast<std::size_t>(i)];
}

template <typename Record> Record* Allocate(std::vector<std::uint8_t>& bytes) {
    bytes.assign(sizeof(Record), 0);
    return reinterpret_cast<Record*>(bytes.data());
}

// The path must leave room for its terminator; a longer one is refused rather than cut.
bool PutPath(char (&field)[CDGRB_PATH_FIELD], const std::string& path) {
    if (path.empty() || path.size() >= CDGRB_PATH_FIELD || path.find('\0') != std::string::npos)
        return false;
    std::memcpy(field, path.data(), path.size());
    return true;
}

void FillMp3(TGrbMp3Options& r, const TrackTags& tags, const globals::RipOptions& o,
             std::vector<std::string>& values, std::vector<TGrbId3v2Frame>& frames) {
    PutText(r.Title, RecordText(tags.title));
    PutText(r.Artist, RecordText(tags.artist));
    PutText(r.Album, RecordText(tags.album));
    PutText(r.Year, RecordText(tags.year.left(4)));
    r.Genre = static_cast<std::uint8_t>(tags.genreIndex & 0xFF);
    r.Bitrate = static_cast<std::uint16_t>(TableAt(globals::Mp3Bitrates, o.bitrateIndex));
    r.VbrMaxBitrate =
        static_cast<std::uint16_t>(TableAt(globals::Mp3Bitrates, o.vbrMaxBitrateIndex));
    r.VbrQuality = TableAt(globals::VbrQualities, o.vbrQualityIndex);
    r.MpegQuality = std::clamp(o.mpegQualityIndex, 0, 3);
    r.JointStereo = o.useJointStereo ? 1 : 0;
    r.WriteId3v1 = Flag(o.enableId3);
    r.GenerateCrc = Flag(o.generateCrc);
    r.Original = Flag(o.original);
    r.Copyright = Flag(o.copyright);
    r.Private = Flag(o.privateFlag);
    r.WriteId3v2 = Flag(o.writeId3v2);
    r.EnableVbr = Flag(o.enableVbr);
    r.WriteVbrHeader = Flag(o.writeVbrHeader);
    if (o.writeId3v2 && !o.id3v2Frames.empty()) {
        values.reserve(o.id3v2Frames.size());
        for (const auto& f : o.id3v2Frames)
            values.push_back(f.value);
        frames.resize(o.id3v2Frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            std::string id = o.id3v2Frames[i].fourCC.substr(0, 4);
            id.resize(4, ' ');
            std::memcpy(frames[i].FrameId, id.data(), 4);
            frames[i].Value = values[i].c_str();
        }
        r.Id3v2FrameCount = static_cast<std::int32_t>(frames.size());
        r.Id3v2Frames = frames.data();
    }
}

void FillOgg(TGrbOggOptions& r, const TrackTags& tags, const globals::RipOptions& o) {
    r.Bitrate = TableAt(globals::OggBitrates, o.oggBitrateIndex);
    PutText(r.Title, RecordText(tags.title));
    PutText(r.Artist, RecordText(tags.artist));
    PutText(r.Album, RecordText(tags.album));
    PutText(r.Genre, RecordText(o.oggGenre));
    PutText(r.Version, RecordText(o.oggVersion));
    PutText(r.Organization, RecordText(o.oggOrganization));
    PutText(r.Description, RecordText(o.oggDescription));
    PutText(r.Date, RecordText(o.oggDate));
    PutText(r.Location, RecordText(o.oggLocation));
    PutText(r.Copyright, RecordText(o.oggCopyright));
}

// FLAC's tags are Vorbis comments of any length: the texts go whole, in UTF-8.
void FillFlac(TGrbFlacOptions& r, const TrackTags& tags, const globals::RipOptions& o,
              std::vector<std::string>& values, std::vector<TGrbComment>& comments) {
    r.CompressionLevel = std::clamp(o.flacLevel, 0, 8);
    const std::pair<const char*, std::string> all[] = {
        {"TITLE", Utf8(tags.title)},
        {"ARTIST", Utf8(tags.artist)},
        {"ALBUM", Utf8(tags.album)},
        {"DATE", Utf8(tags.year.left(4))},
        {"GENRE", Utf8(tags.genre)},
        {"TRACKNUMBER", tags.trackNumber > 0 ? std::to_string(tags.trackNumber) : std::string()},
        {"VERSION", o.oggVersion},
        {"ORGANIZATION", o.oggOrganization},
        {"DESCRIPTION", o.oggDescription},
        {"LOCATION", o.oggLocation},
        {"COPYRIGHT", o.oggCopyright}};
    std::vector<const char*> names;
    for (const auto& [name, value] : all) {
        if (value.empty())
            continue;
        names.push_back(name);
        values.push_back(value);
    }
    // The texts are in place before their addresses are taken.
    for (std::size_t i = 0; i < names.size(); ++i)
        comments.push_back({names[i], values[i].c_str()});
    r.CommentCount = static_cast<std::int32_t>(comments.size());
    r.Comments = comments.empty() ? nullptr : comments.data();
}

} // namespace

bool MakeEncoderRecord(int grabOutputFormat, const std::string& outputPath, const TrackTags& tags,
                       const globals::RipOptions& options, EncoderRecord& record) {
    record = EncoderRecord{};
    record.code_ = FormatFor(grabOutputFormat).code;
    switch (record.code_) {
    case CDGRB_FORMAT_RAW:
        return PutPath(Allocate<TGrbRawOptions>(record.bytes_)->OutputPath, outputPath);
    case CDGRB_FORMAT_MP3: {
        auto* r = Allocate<TGrbMp3Options>(record.bytes_);
        if (!PutPath(r->OutputPath, outputPath))
            return false;
        FillMp3(*r, tags, options, record.values_, record.frames_);
        return true;
    }
    case CDGRB_FORMAT_OGG: {
        auto* r = Allocate<TGrbOggOptions>(record.bytes_);
        if (!PutPath(r->OutputPath, outputPath))
            return false;
        FillOgg(*r, tags, options);
        return true;
    }
    case CDGRB_FORMAT_FLAC: {
        auto* r = Allocate<TGrbFlacOptions>(record.bytes_);
        if (!PutPath(r->OutputPath, outputPath))
            return false;
        FillFlac(*r, tags, options, record.values_, record.comments_);
        return true;
    }
    default:
        return PutPath(Allocate<TGrbWavOptions>(record.bytes_)->OutputPath, outputPath);
    }
}

std::string OutputPathFor(const RipJobSettings& settings, const QString& title, int row) {
    const QString name = title.isEmpty() ? DefaultTrackTitle(row + 1) : title;
    return settings.outputFolder + SafeFileName(Utf8(name)) +
           FormatFor(settings.grabOutputFormat).extension;
}

TrackOutcome RipTrack(TCDGrabber& grabber, const RipJobSettings& settings, const TrackRip& track,
                      const RipTurns& turns, std::optional<TGrbTrackResult>* result) {
    try {
        EncoderRecord record;
        if (!MakeEncoderRecord(settings.grabOutputFormat, track.outputPath, track.tags,
                               settings.options, record))
            return TrackOutcome::Failed;
        grabber.SetEncoderOptions(record.Code(), record.Data(), record.Size());
        const fs::path target = fs::u8path(track.outputPath);
        if (!settings.replaceExisting && fs::exists(target))
            return TrackOutcome::Skipped;
        if (fs::exists(target))
            fs::remove(target);
        GrabFinished = false;
        GrabPercent = 0;
        GrabResult = 0;
        grabber.SetMonitor(&GrabberMonitor);
        if (grabber.RipTrack(track.trackIndex) < 0)
            return TrackOutcome::Failed;
        // The record and its frames stay alive here until the library reports the end.
        while (!GrabFinished) {
            if (turns.progress)
                turns.progress(GrabPercent);
            if (GrabCancelled)
                return TrackOutcome::Failed;
            if (turns.events)
                turns.events();
            std::this_thread::sleep_for(settings.pollInterval);
        }
        TGrbTrackResult found{};
        if (result && grabber.TrackResult(found) && found.TrackIndex == (track.trackIndex & 0xFF))
            *result = found;
        // A rip that started but ended in error is not a success.
        return GrabResult < 0 ? TrackOutcome::Failed : TrackOutcome::Success;
    } catch (const std::exception&) {
        return TrackOutcome::Failed;
    }
}

namespace {

struct JobState {
    int started = -1;
    int checkedCount = 0;
};

int BarPercent(const JobState& s, int trackPercent) {
    if (s.checkedCount <= 0)
        return 0;
    // (Started x 100 + percent) / (count x 100) x 100, rounded down.
    return (s.started * 100 + trackPercent) / s.checkedCount;
}

// The row's track through RipTrack, with the job's bar and the host's events.
TrackOutcome RipRow(TCDGrabber& grabber, IRipHost& host, const RipJobSettings& settings,
                    const JobState& state, int row, TrackRecord& record) {
    TrackRip track;
    record.trackNumber = row + 1;
    try {
        const QString title = host.RowTitle(row);
        track.trackIndex = row;
        track.outputPath = OutputPathFor(settings, title, row);
        track.tags = host.DialogTags();
        track.tags.title = title;
        track.tags.artist = host.RowArtist(row);
        track.tags.trackNumber = row + 1;
        record.title = title;
        record.outputPath = track.outputPath;
    } catch (const std::exception&) {
        return TrackOutcome::Failed;
    }
    return RipTrack(grabber, settings, track,
                    {[&](int percent) { host.SetProgress(BarPercent(state, percent)); },
                     [&] { host.ProcessEvents(); }},
                    &record.result);
}

void Pause(IRipHost& host, std::chrono::milliseconds pause) {
    const auto end = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < end) {
        host.ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

QString SuccessText(IRipHost& host, const RipJobSettings& settings, int row,
                    std::chrono::steady_clock::time_point start) {
    host.ProcessEvents();
    const long long trackSeconds = host.TrackFrames(row + 1) / 75;
    Pause(host, settings.pauseBeforeMeasure);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    const long long elapsed = std::max<long long>(1, ms / 1000);
    const double factor = static_cast<double>(trackSeconds) / static_cast<double>(elapsed);
    return ui::FormatText(Text(IDS_READCD_LISTVIEW_ITEM_Status_Success), {SpeedFactorText(factor)});
}

} // namespace

namespace {

// A frame the library would leave out is named once per job rather than dropped silently.
void ReportUnwritableFrames(IRipHost& host, const RipJobSettings& settings) {
    if (FormatFor(settings.grabOutputFormat).code != CDGRB_FORMAT_MP3 ||
        !settings.options.writeId3v2)
        return;
    for (const auto& frame : settings.options.id3v2Frames) {
        if (!Id3v2FrameWritable(frame.fourCC))
            host.ShowStatus(ui::FormatText(Text(IDS_READCD_MSG_Id3v2FrameLeftOut),
                                           {QString::fromStdString(frame.fourCC)}));
    }
}

// After the last track: the AccurateRip verdicts (when allowed) and the rip log.
void FinishJob(IRipHost& host, const RipJobSettings& settings, std::vector<TrackRecord>& records) {
    QString note;
    if (settings.options.accurateRip) {
        if (auto error = CheckAccurateRip(settings.options.accurateRipAddress, records,
                                          [&] { host.ProcessEvents(); })) {
            note = *error;
            host.ShowStatus(note);
        }
        for (const TrackRecord& t : records) {
            if (!t.accurateRip.isEmpty())
                host.ShowStatus(
                    ui::FormatText(Text(IDS_READCD_LABEL_Status_AccurateRip),
                                   {static_cast<long long>(t.trackNumber), t.accurateRip}));
        }
    }
    if (!settings.writeLog || records.empty())
        return;
    std::string error;
    if (auto log = WriteRipLog(settings, records, note, error))
        host.ShowStatus(ui::FormatText(Text(IDS_READCD_LABEL_Status_RipLog),
                                       {QString::fromStdString(log->string())}));
    else
        host.ShowStatus(
            ui::FormatText(Text(IDS_READCD_LABEL_Status_RipLog), {QString::fromStdString(error)}));
}

} // namespace

void RunRipJob(TCDGrabber& grabber, IRipHost& host, const RipJobSettings& settings) {
    ReportUnwritableFrames(host, settings);
    std::vector<TrackRecord> records;
    JobState state;
    for (int i = 0; i < host.RowCount(); ++i)
        state.checkedCount += host.RowChecked(i) ? 1 : 0;
    host.SetIdle(false);
    GrabCancelled = false;
    grabber.SetCDLetter(settings.driveLetter);
    RipJobSettings used = settings;
    if (!grabber.SetReadOffset(settings.readOffset)) {
        // The log must say what was done: the tracks are read without the correction.
        host.ShowStatus(QStringLiteral("Read offset %1 cannot be applied; reading without it")
                            .arg(settings.readOffset));
        used.readOffset = 0;
    }
    for (int row = 0; row < host.RowCount(); ++row) {
        if (GrabCancelled) {
            host.ProcessEvents();
            break;
        }
        if (!host.RowChecked(row))
            continue;
        host.ProcessEvents();
        ++state.started;
        host.ShowStatus(ui::FormatText(Text(IDS_READCD_LABEL_Status_GrabTracks),
                                       {static_cast<long long>(row + 1)}));
        const auto start = std::chrono::steady_clock::now();
        TrackRecord& record = records.emplace_back();
        TrackOutcome outcome = RipRow(grabber, host, settings, state, row, record);
        if (outcome == TrackOutcome::Success) {
            try {
                record.status = SuccessText(host, settings, row, start);
            } catch (const std::exception&) {
                outcome = TrackOutcome::Failed;
            }
        }
        if (outcome == TrackOutcome::Success) {
            host.SetTrackStatus(row, record.status);
        } else if (outcome == TrackOutcome::Skipped) {
            record.status = Text(IDS_READCD_LISTVIEW_ITEM_Status_Skip);
            host.SetTrackStatus(row, record.status);
            host.SetProgress(BarPercent(state, 100));
        } else {
            record.status = Text(IDS_READCD_LISTVIEW_ITEM_Status_Failed);
            host.SetTrackStatus(row, record.status);
            grabber.AbortRip();
        }
    }
    FinishJob(host, used, records);
    host.SetIdle(true);
    host.ShowStatus(Text(IDS_READCD_LABEL_Status_GrabTracksCompleted));
}

} // namespace rip
