// An audio CD burned on a physical drive: libburn reads each track's PCM straight from its
// source file (or from a local cached copy) while the drive writes; the events are those of the
// store's audio write, so the pages cannot tell the two apart.
#include "AudioBurn.h"

#include "../CueSheet.h"
#include "BurnChecks.h"
#include "audio/AudioWriteEvents.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace discengine::physical {

using audioimage::AudioWritePlan;
using audioimage::kFrameBytes;
using audioimage::kPregapFrames;

namespace {

struct TrackData {
    std::shared_ptr<SourceFile> file;
    std::int64_t offset, available, total, position = 0;
};

TrackData& TrackOf(burn_source* s) {
    return *static_cast<TrackData*>(s->data);
}

int ReadTrack(burn_source* s, unsigned char* buffer, int size) {
    TrackData& t = TrackOf(s);
    if (size <= 0)
        return 0;
    const std::int64_t n = std::min<std::int64_t>(size, t.total - t.position);
    if (n <= 0)
        return 0;
    auto* out = reinterpret_cast<char*>(buffer);
    const std::int64_t want = std::clamp<std::int64_t>(t.available - t.position, 0, n);
    const std::int64_t got = want > 0 ? ReadAt(t.file->Fd(), out, want, t.offset + t.position) : 0;
    if (got < want)
        t.available = t.position + std::max<std::int64_t>(got, 0); // the rest is silence
    const std::int64_t filled = std::max<std::int64_t>(got, 0);
    std::memset(out + filled, 0, static_cast<std::size_t>(n - filled));
    t.position += n;
    return static_cast<int>(n);
}
off_t TrackSize(burn_source* s) {
    return static_cast<off_t>(TrackOf(s).total);
}
int SetTrackSize(burn_source* s, off_t size) {
    TrackOf(s).total = size;
    return 1;
}
int CancelTrack(burn_source*) {
    return 1;
}
void FreeTrack(burn_source* s) {
    delete static_cast<TrackData*>(s->data);
    s->data = nullptr;
}

} // namespace

burn_source* MakeTrackSource(std::shared_ptr<SourceFile> file, std::int64_t offset,
                             std::int64_t available, std::int64_t total) {
    // libburn releases the struct itself with free(), so it is allocated the C way.
    auto* source = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
    if (!source)
        return nullptr;
    source->refcount = 1;
    source->version = 1;
    source->read_xt = ReadTrack;
    source->cancel = CancelTrack;
    source->get_size = TrackSize;
    source->set_size = SetTrackSize;
    source->free_data = FreeTrack;
    source->data = new TrackData{std::move(file), offset, std::min(available, total), total};
    return source;
}

bool AudioDiscText::Empty() const {
    if (!album.empty() || !albumPerformer.empty())
        return false;
    return std::all_of(tracks.begin(), tracks.end(),
                       [](const Track& t) { return t.title.empty() && t.performer.empty(); });
}

AudioDiscText DiscTextOf(const AudioWritePlan& plan) {
    AudioDiscText text{plan.discTitle, plan.discPerformer, {}};
    for (const auto& track : plan.tracks)
        text.tracks.push_back({track.title, track.performer});
    return text;
}

bool WritesSessionAtOnce(const AudioWritePlan& plan) {
    return !plan.trackAtOnce || !DiscTextOf(plan).Empty();
}

namespace {

// Sets one CD-Text pack type in block 0, for the session and for every track, or not at all:
// a pack type the session carries must be there for each track.
void SetTextPack(burn_session* session, const std::vector<BurnTrackPtr>& tracks,
                 const char* packType, const std::string& discText,
                 const std::vector<std::string>& trackTexts) {
    auto any = discText.empty() ? std::any_of(trackTexts.begin(), trackTexts.end(),
                                              [](const std::string& t) { return !t.empty(); })
                                : true;
    if (!any)
        return;
    auto set = [&](auto&& apply, const std::string& utf8) {
        std::string latin1 = CdTextLatin1(utf8);
        std::vector<unsigned char> payload(latin1.begin(), latin1.end());
        payload.push_back(0);
        std::string name(packType);
        apply(name.data(), payload.data(), static_cast<int>(payload.size()));
    };
    set([&](char* name, unsigned char* p,
            int n) { burn_session_set_cdtext(session, 0, 0, name, p, n, 0); },
        discText);
    for (std::size_t i = 0; i < tracks.size(); ++i)
        set([&](char* name, unsigned char* p,
                int n) { burn_track_set_cdtext(tracks[i].get(), 0, 0, name, p, n, 0); },
            i < trackTexts.size() ? trackTexts[i] : std::string());
}

void SetDiscText(burn_session* session, const std::vector<BurnTrackPtr>& tracks,
                 const AudioDiscText& text) {
    int charCodes[8] = {0x00, 0, 0, 0, 0, 0, 0, 0}; // ISO-8859-1
    int copyrights[8] = {};
    int languages[8] = {0x09, 0, 0, 0, 0, 0, 0, 0}; // English, as players expect in block 0
    burn_session_set_cdtext_par(session, charCodes, copyrights, languages, 0);
    std::vector<std::string> titles, performers;
    for (const auto& t : text.tracks) {
        titles.push_back(t.title);
        performers.push_back(t.performer);
    }
    SetTextPack(session, tracks, "TITLE", text.album, titles);
    SetTextPack(session, tracks, "PERFORMER", text.albumPerformer, performers);
}

} // namespace

AudioDiscLayout LayoutAudioDisc(const AudioWritePlan& plan,
                                const std::vector<burn_source*>& sources) {
    AudioDiscLayout layout;
    layout.disc.reset(burn_disc_create());
    layout.session.reset(burn_session_create());
    const bool sessionAtOnce = WritesSessionAtOnce(plan);
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        BurnTrackPtr track(burn_track_create());
        // Our WAV files hold little-endian samples, which is what libburn sends to the drive.
        burn_track_define_data(track.get(), 0, 0, 1, BURN_AUDIO);
        burn_track_set_byte_swap(track.get(), 0);
        if (i < sources.size() && burn_track_set_source(track.get(), sources[i]) != BURN_SOURCE_OK)
            throw BurnFailure{kErrStoreFailure, "Out of memory",
                              "the source of track " + std::to_string(i + 1) + " cannot be made"};
        // Track-at-once drives put 2 s before every track themselves; written session-at-once
        // the gaps are asked for, so both give the layout the image measured.
        if (sessionAtOnce && plan.trackAtOnce && i > 0)
            burn_track_set_pregap_size(track.get(), kPregapFrames, 0);
        burn_session_add_track(layout.session.get(), track.get(), BURN_POS_END);
        layout.tracks.push_back(std::move(track));
    }
    AudioDiscText text = DiscTextOf(plan);
    if (!text.Empty())
        SetDiscText(layout.session.get(), layout.tracks, text);
    burn_disc_add_session(layout.disc.get(), layout.session.get(), BURN_POS_END);
    return layout;
}

namespace {

struct SourceFailure {
    std::int32_t code;
    std::string description;
    fs::path path;
};
struct Cancelled {};

class PhysicalAudioJob {
public:
    PhysicalAudioJob(const AudioWritePlan& plan, std::shared_ptr<PhysicalShared> drive,
                     std::shared_ptr<ListenerHub> hub, const CancelToken& cancel)
        : plan_(plan), drive_(std::move(drive)), hub_(std::move(hub)), cancel_(cancel),
          context_(std::string("Audio write on drive ") + drive_->letter + ": (" +
                   drive_->devicePath + ")"),
          events_(hub_, plan.imageId, static_cast<std::int32_t>(plan.tracks.size())) {}

    void Run();

private:
    struct Track {
        std::shared_ptr<SourceFile> file;
        std::int64_t offset = 0, bytes = 0;
    };

    void Status(std::int32_t status, std::int32_t track = 0, std::int64_t trackDone = 0,
                std::int64_t trackTotal = 0) {
        events_.Status(status, track, trackDone, trackTotal);
    }
    bool CancelAsked() const { return cancel_.Cancelled() || events_.ListenerCancelled(); }
    void OpenSources();
    void CacheTracks(const fs::path& folder);
    void Burn(GrabbedDrive& grabbed);
    void ReportTrackProgress(std::int32_t status, std::int64_t sector);

    const AudioWritePlan& plan_;
    std::shared_ptr<PhysicalShared> drive_;
    std::shared_ptr<ListenerHub> hub_;
    const CancelToken& cancel_;
    std::string context_;
    audioimage::AudioWriteEvents events_;
    std::vector<Track> tracks_;
};

void PhysicalAudioJob::OpenSources() {
    for (std::size_t i = 0; i < plan_.tracks.size(); ++i) {
        audioimage::OpenedTrack opened = audioimage::OpenInsertedTrack(plan_.tracks[i].wav);
        if (!opened.problem.empty())
            throw SourceFailure{opened.error, opened.problem, plan_.tracks[i].wav.path};
        if (opened.changed) {
            // The disc cannot be padded or cut later as the store's write does: ask first.
            auto error = MakeFileError(EAGAIN,
                                       "The source file changed after it was inserted; the "
                                       "track keeps its length and is padded or cut",
                                       plan_.tracks[i].wav.path.string());
            bool ignore = false;
            hub_->Emit([&](IEngineListener& l) {
                l.OnTrackFileWarning(plan_.imageId, error, static_cast<std::int32_t>(i + 1),
                                     ignore);
            });
            if (!ignore)
                throw SourceFailure{EAGAIN, error->Description(), plan_.tracks[i].wav.path};
        }
        tracks_.push_back(
            {std::make_shared<SourceFile>(std::move(opened.file)), opened.offset, opened.bytes});
    }
}

void PhysicalAudioJob::CacheTracks(const fs::path& folder) {
    std::vector<char> buffer(1125 * kFrameBytes); // 15 s of audio at a time
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        const auto number = static_cast<std::int32_t>(i + 1);
        Track& t = tracks_[i];
        fs::path file = folder / ("track" + std::to_string(number) + ".pcm");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        Status(kWriteCachingTrack, number, 0, t.bytes);
        std::int64_t done = 0;
        while (done < t.bytes) {
            if (CancelAsked())
                throw Cancelled{};
            auto want = std::min<std::int64_t>(t.bytes - done, std::ssize(buffer));
            std::int64_t got = ReadAt(t.file->Fd(), buffer.data(), want, t.offset + done);
            if (got <= 0)
                break; // the source ended early: the rest of the track is silence
            out.write(buffer.data(), got);
            if (!out)
                throw BurnFailure{kErrStoreFailure, "Cannot cache the tracks",
                                  file.string() + ": " + std::strerror(errno)};
            done += got;
            Status(kWriteCachingTrack, number, done, t.bytes);
        }
        out.close();
        int error = 0;
        auto cached = std::make_shared<SourceFile>(OpenRegularFile(file, error));
        if (!out || !cached->IsOpen())
            throw BurnFailure{kErrStoreFailure, "Cannot cache the tracks",
                              file.string() + ": " + std::strerror(error ? error : EIO)};
        t = {std::move(cached), 0, done};
    }
}

// Which track the drive is writing and how far, from the session's sector count.
void PhysicalAudioJob::ReportTrackProgress(std::int32_t status, std::int64_t sector) {
    std::int64_t start = kPregapFrames;
    for (std::size_t i = 0; i < plan_.tracks.size(); ++i) {
        if (plan_.trackAtOnce && i > 0)
            start += kPregapFrames;
        const std::int64_t frames = plan_.tracks[i].wav.Frames();
        if (sector < start + frames || i + 1 == plan_.tracks.size()) {
            events_.imageDone = std::clamp<std::int64_t>(sector, 0, events_.imageTotal);
            Status(status, static_cast<std::int32_t>(i + 1),
                   std::clamp<std::int64_t>(sector - start, 0, frames), frames);
            return;
        }
        start += frames;
    }
}

void PhysicalAudioJob::Burn(GrabbedDrive& grabbed) {
    burn_drive* d = grabbed.Drive();
    std::vector<BurnSourcePtr> owned;
    std::vector<burn_source*> sources;
    for (const Track& t : tracks_) {
        const std::int64_t frames = plan_.tracks[owned.size()].wav.Frames();
        owned.emplace_back(MakeTrackSource(t.file, t.offset, t.bytes, frames * kFrameBytes));
        if (!owned.back())
            throw BurnFailure{kErrStoreFailure, "Out of memory", "a track source cannot be made"};
        sources.push_back(owned.back().get());
    }
    AudioDiscLayout layout = LayoutAudioDisc(plan_, sources);
    const bool sao = WritesSessionAtOnce(plan_);
    BurnOptsPtr opts(burn_write_opts_new(d));
    burn_write_opts_set_write_type(opts.get(), sao ? BURN_WRITE_SAO : BURN_WRITE_TAO,
                                   sao ? BURN_BLOCK_SAO : BURN_BLOCK_MODE1);
    burn_write_opts_set_simulate(opts.get(), plan_.testMode ? 1 : 0);
    burn_write_opts_set_underrun_proof(opts.get(), plan_.bufferProtect ? 1 : 0);
    burn_write_opts_set_multi(opts.get(), !plan_.finalize && CanStayAppendable(d, sao) ? 1 : 0);
    burn_drive_set_speed(d, 0, plan_.speedKBs > 0 ? plan_.speedKBs : 0);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_precheck_write(opts.get(), layout.disc.get(), reasons, 0) <= 0)
        throw BurnFailure{kErrIncompatibleMedium, "The drive cannot write this way", reasons};
    Status(kWriteLeadIn);
    TakeLibburnMessages();
    burn_disc_write(opts.get(), layout.disc.get());
    // libburn counts the sectors it sent after the first track's pregap.
    FollowBurn(
        d, *drive_, kFrameBytes, [this] { return CancelAsked(); }, {},
        [this](std::int32_t status, std::int64_t sector) {
            ReportTrackProgress(status, sector + kPregapFrames);
        });
    if (CancelAsked())
        throw Cancelled{};
    if (burn_drive_wrote_well(d) != 1)
        throw DriveRefusal("Write error");
}

void PhysicalAudioJob::Run() {
    events_.imageTotal = audioimage::TotalFrames(plan_.tracks, plan_.trackAtOnce);
    std::int32_t end = kWriteCompleted;
    BusyDrive busy(*drive_);
    try {
        Status(kWritePreparing);
        std::string grabError;
        auto grabbed = GrabbedDrive::Grab(drive_->address, grabError);
        if (!grabbed)
            throw BurnFailure{kErrDriveBusy, "The drive cannot be opened", grabError};
        DriveAnswers answers = grabbed->ReadDrive();
        CheckMedium(answers, grabbed->ReadMedium(), static_cast<std::uint64_t>(events_.imageTotal),
                    plan_.testMode, BurnKind::Audio);
        OpenSources();
        std::unique_ptr<audioimage::CacheFolder> cache;
        if (plan_.cacheFiles) {
            cache = std::make_unique<audioimage::CacheFolder>();
            CacheTracks(cache->Path());
        }
        if (CancelAsked())
            throw Cancelled{};
        drive_->jobSpeed = plan_.speedKBs > 0 ? plan_.speedKBs : MaxWriteSpeedOf(answers);
        Burn(*grabbed);
        events_.imageDone = events_.imageTotal;
        Status(kWriteLeadOut);
    } catch (const Cancelled&) {
        end = kWriteCancelled;
    } catch (const BurnFailure& f) {
        auto error =
            MakeWriteError(kWriteErrorDevice, f.description + ": " + f.detail,
                           MakeDeviceError(f.code, f.description, f.detail, context_), nullptr, 0);
        hub_->Emit([&](IEngineListener& l) { l.OnWriteError(plan_.imageId, error); });
        end = kWriteError;
    } catch (const SourceFailure& f) {
        auto error = MakeWriteError(kWriteErrorSourceFile, f.description, nullptr,
                                    MakeFileError(f.code, f.description, f.path.string()), 0);
        hub_->Emit([&](IEngineListener& l) { l.OnWriteError(plan_.imageId, error); });
        end = kWriteError;
    } catch (const std::exception& e) {
        auto error = MakeWriteError(
            kWriteErrorDevice, std::string("Drive failure: ") + e.what(),
            MakeDeviceError(kErrStoreFailure, "Drive failure", e.what(), context_), nullptr, 0);
        hub_->Emit([&](IEngineListener& l) { l.OnWriteError(plan_.imageId, error); });
        end = kWriteError;
    }
    drive_->jobSpeed = 0;
    busy.Release();
    drive_->Look();
    Status(end);
}

} // namespace

void RunPhysicalAudioWrite(const AudioWritePlan& plan, const std::shared_ptr<PhysicalShared>& drive,
                           const std::shared_ptr<ListenerHub>& hub, const CancelToken& cancel) {
    PhysicalAudioJob(plan, drive, hub, cancel).Run();
}

} // namespace discengine::physical
