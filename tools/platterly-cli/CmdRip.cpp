// platterly-cli rip: the Read CD page's rip job from the terminal, on the same job code.
#include "Commands.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "jobs/Interrupt.h"
#include "jobs/RipJob.h"
#include "jobs/TCDGrabber.h"

#include <QDate>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = "rip X: [--tracks 1,3-5] [--format wav|raw|mp3|ogg|flac] "
                               "[--bitrate N | --vbr Q] [--level 0-8] [--cdtext] [--replace] "
                               "[--offset SAMPLES] [--accuraterip[=ADDRESS]] OUT_DIR";

struct RipArgs {
    std::string drive;
    std::string outDir;
    std::string tracks;
    std::string format = "wav";
    std::optional<int> bitrate, vbr, level;
    int offset = 0;
    bool cdText = false;
    bool replace = false;
    std::optional<std::string> accurateRip;
};

bool ParseNumber(const std::string& text, int& out) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = std::stoi(text);
    return true;
}

// "1,3-5" -> {1, 3, 4, 5}; false on anything else or a track the disc does not have.
bool ParseTracks(const std::string& text, int count, std::set<int>& out, std::string& error) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = text.find(',', at);
        const std::string part = text.substr(at, comma == std::string::npos ? comma : comma - at);
        const std::size_t dash = part.find('-');
        int first = 0, last = 0;
        if (dash == std::string::npos ? !ParseNumber(part, first)
                                      : !ParseNumber(part.substr(0, dash), first) ||
                                            !ParseNumber(part.substr(dash + 1), last)) {
            error = "bad track list \"" + text + "\"";
            return false;
        }
        if (dash == std::string::npos)
            last = first;
        if (first < 1 || last < first || last > count) {
            error = "tracks " + part + " are not on the disc (it has " + std::to_string(count) +
                    " audio tracks)";
            return false;
        }
        for (int t = first; t <= last; ++t)
            out.insert(t);
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    return true;
}

bool ParseArgs(const std::vector<std::string>& args, RipArgs& r, std::string& error) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](std::optional<int>& out) {
            std::string text;
            int n = 0;
            if (!value(text))
                return false;
            if (!ParseNumber(text, n)) {
                error = a + " takes a number, not \"" + text + "\"";
                return false;
            }
            out = n;
            return true;
        };
        bool ok = true;
        if (a == "--tracks")
            ok = value(r.tracks);
        else if (a == "--format")
            ok = value(r.format);
        else if (a == "--bitrate")
            ok = number(r.bitrate);
        else if (a == "--vbr")
            ok = number(r.vbr);
        else if (a == "--level")
            ok = number(r.level);
        else if (a == "--offset") {
            std::string text;
            ok = value(text);
            const bool negative = ok && !text.empty() && text[0] == '-';
            int n = 0;
            if (ok && (!ParseNumber(negative ? text.substr(1) : text, n) || n > 100000)) {
                error = "--offset takes the drive's read offset in samples (-100000 to 100000)";
                return false;
            }
            r.offset = negative ? -n : n;
        } else if (a == "--cdtext")
            r.cdText = true;
        else if (a == "--replace")
            r.replace = true;
        else if (a == "--accuraterip")
            r.accurateRip = globals::DefaultAccurateRipAddress;
        else if (a.rfind("--accuraterip=", 0) == 0)
            r.accurateRip = a.substr(14);
        else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else
            positional.push_back(a);
        if (!ok)
            return false;
    }
    if (positional.size() != 2) {
        error = "a drive and an output folder are needed";
        return false;
    }
    r.drive = positional[0];
    r.outDir = positional[1];
    return true;
}

int IndexIn(const auto& table, int value) {
    const auto it = std::find(table.begin(), table.end(), value);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

// The encoder settings of the command line into the rip options the window would hold.
bool ApplyFormat(const RipArgs& r, int& format, globals::RipOptions& o, std::string& error) {
    const std::pair<const char*, int> formats[] = {{"wav", globals::FormatWav},
                                                   {"raw", globals::FormatRaw},
                                                   {"mp3", globals::FormatMp3},
                                                   {"ogg", globals::FormatOgg},
                                                   {"flac", globals::FormatFlac}};
    format = 0;
    for (const auto& [name, code] : formats)
        if (r.format == name)
            format = code;
    if (format == 0) {
        error = "unknown format \"" + r.format + "\" (wav, raw, mp3, ogg or flac)";
        return false;
    }
    if (r.bitrate && r.vbr) {
        error = "--bitrate and --vbr exclude each other";
        return false;
    }
    if ((r.bitrate && format != globals::FormatMp3 && format != globals::FormatOgg) ||
        (r.vbr && format != globals::FormatMp3) || (r.level && format != globals::FormatFlac)) {
        error = "that setting does not apply to " + r.format;
        return false;
    }
    o.writeId3v2 = true; // the whole texts, whatever their script
    if (format == globals::FormatMp3) {
        o.enableVbr = !r.bitrate;
        if (r.bitrate && (o.bitrateIndex = IndexIn(globals::Mp3Bitrates, *r.bitrate)) < 0) {
            error = "MP3 bit rates: 32 40 48 56 64 80 96 112 128 160 192 224 256 320";
            return false;
        }
        if (r.vbr && (*r.vbr < 0 || *r.vbr > 9)) {
            error = "--vbr takes a quality from 0 (best) to 9";
            return false;
        }
        if (r.vbr)
            o.vbrQualityIndex = *r.vbr;
    }
    if (format == globals::FormatOgg && r.bitrate &&
        (o.oggBitrateIndex = IndexIn(globals::OggBitrates, *r.bitrate)) < 0) {
        error = "Ogg Vorbis bit rates: 64 96 128 160 192 256 320";
        return false;
    }
    if (r.level && *r.level > 8) {
        error = "--level takes 0 to 8";
        return false;
    }
    if (r.level)
        o.flacLevel = *r.level;
    if (r.accurateRip) {
        o.accurateRip = true;
        o.accurateRipAddress = *r.accurateRip;
    }
    return true;
}

// The job's view of the terminal: the disc's tracks as rows, statuses and progress as lines.
class CliRipHost final : public rip::IRipHost {
public:
    struct Row {
        QString title, artist;
        bool checked = false;
        QString status;
    };
    std::vector<Row> rows;
    rip::TrackTags tags;
    std::shared_ptr<discengine::IDeviceX> drive;
    TCDGrabber* grabber = nullptr;
    jobs::InterruptWatch interrupt;
    bool interrupted = false;

    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool RowChecked(int row) const override { return rows[row].checked; }
    QString RowTitle(int row) const override { return rows[row].title; }
    QString RowArtist(int row) const override { return rows[row].artist; }
    void SetTrackStatus(int row, const QString& text) override {
        rows[row].status = text;
        EndBar();
        std::printf("Track %02d: %s\n", row + 1, text.toUtf8().constData());
        std::fflush(stdout);
    }
    rip::TrackTags DialogTags() const override { return tags; }
    std::int32_t TrackFrames(int trackNumber) override {
        return drive->AudioTrackList()->TrackLength(trackNumber);
    }
    void ShowStatus(const QString& text) override {
        EndBar();
        std::printf("%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    }
    void SetProgress(int percent) override {
        if (percent == lastPercent_)
            return;
        lastPercent_ = percent;
        if (tty_) {
            const int filled = std::clamp(percent, 0, 100) * 40 / 100;
            std::printf("\rRipping [%s%s] %3d%%", std::string(filled, '#').c_str(),
                        std::string(40 - filled, '-').c_str(), percent);
            barShown_ = true;
        } else if (percent % 10 == 0) {
            std::printf("Ripping: %d%%\n", percent);
        }
        std::fflush(stdout);
    }
    void SetIdle(bool) override {}
    void ProcessEvents() override {
        // Ctrl+C cancels as the window's Cancel does: the track fails, its file is removed.
        if (!interrupted && interrupt.Interrupted()) {
            interrupted = true;
            GrabCancelled = true;
            if (grabber)
                grabber->AbortRip();
        }
    }

private:
    void EndBar() {
        if (barShown_)
            std::fputc('\n', stdout);
        barShown_ = false;
    }
    bool tty_ = ::isatty(STDOUT_FILENO);
    bool barShown_ = false;
    int lastPercent_ = -1;
};

void ReadCDText(char letter, CliRipHost& host) {
    const TCDDevice device(letter);
    auto text = [&](int track, int kind) {
        return QString::fromStdString(device.GetCDText(track, kind));
    };
    host.tags.album = text(0, 0);
    host.tags.genre = text(0, 7);
    const QString discArtist = text(0, 1);
    for (int row = 0; row < host.RowCount(); ++row) {
        host.rows[row].title = text(row + 1, 0);
        const QString artist = text(row + 1, 1);
        host.rows[row].artist = artist.isEmpty() ? discArtist : artist;
    }
}

int Rip(cli::Context& context, const std::vector<std::string>& args) {
    RipArgs r;
    std::string error;
    rip::RipJobSettings settings;
    if (!ParseArgs(args, r, error) ||
        !ApplyFormat(r, settings.grabOutputFormat, settings.options, error)) {
        std::cerr << "platterly-cli: " << error << "\nusage: platterly-cli " << kUsage << "\n";
        return cli::kExitUsage;
    }
    auto device = cli::DriveArgument(context, r.drive);
    if (!device)
        return cli::kExitUsage;
    device->Refresh(true);
    const std::int32_t count = device->AudioTrackList()->Count();
    if (count <= 0) {
        std::cerr << "platterly-cli: there is no audio CD in " << device->DriveLetter() << ":\n";
        return cli::kExitFailed;
    }
    std::set<int> chosen;
    if (r.tracks.empty()) {
        for (int t = 1; t <= count; ++t)
            chosen.insert(t);
    } else if (!ParseTracks(r.tracks, count, chosen, error)) {
        std::cerr << "platterly-cli: " << error << "\n";
        return cli::kExitUsage;
    }
    std::error_code ec;
    fs::create_directories(r.outDir, ec);
    if (!fs::is_directory(r.outDir, ec)) {
        std::cerr << "platterly-cli: cannot use the output folder " << r.outDir << "\n";
        return cli::kExitFailed;
    }
    if (globals::ProgramDir.empty())
        globals::ProgramDir = cli::ExecutableFolder();
    TCDGrabber grabber;
    if (!grabber.Loaded() || grabber.Handle() == 0) {
        std::cerr << "platterly-cli: the CD grabbing library " << cdgrab::DefaultLibraryPath()
                  << " cannot be loaded\n";
        return cli::kExitFailed;
    }
    CliRipHost host;
    host.drive = device;
    host.grabber = &grabber;
    host.rows.resize(static_cast<std::size_t>(count));
    for (int t : chosen)
        host.rows[static_cast<std::size_t>(t - 1)].checked = true;
    host.tags.year = QString::number(QDate::currentDate().year());
    if (r.cdText)
        ReadCDText(device->DriveLetter(), host);
    settings.outputFolder = globals::AddTrailingBackslash(fs::absolute(r.outDir).string());
    settings.replaceExisting = r.replace;
    settings.driveLetter = device->DriveLetter();
    settings.driveDescription = device->Description();
    settings.pauseBeforeMeasure = std::chrono::milliseconds(0);
    settings.readOffset = r.offset;
    rip::RunRipJob(grabber, host, settings);
    if (host.interrupted)
        return cli::kExitCancelled;
    const QString failed = MultiLanguages::Text(IDS_READCD_LISTVIEW_ITEM_Status_Failed);
    const bool anyFailed =
        std::any_of(host.rows.begin(), host.rows.end(),
                    [&](const CliRipHost::Row& row) { return row.status == failed; });
    return anyFailed ? cli::kExitFailed : 0;
}

cli::Register reg({"rip", kUsage, Rip});

} // namespace
