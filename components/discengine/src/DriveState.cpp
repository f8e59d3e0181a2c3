#include "DriveState.h"

#include "RegularFile.h"
#include "StoreFiles.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <memory>
#include <mutex>

namespace fs = std::filesystem;

namespace discengine {

using namespace storefiles;

void QuietLibcdio() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler([](cdio_log_level_t, const char*) {}); });
}

fs::path AudioBinPath(const fs::path& folder, const MediumState& medium) {
    return (folder / medium.audioPayload).replace_extension(".bin");
}

namespace {
struct CdioCloser {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;
} // namespace

void ValidatePayload(const fs::path& folder, const MediumState& medium, bool openWithLibcdio) {
    std::int64_t dataEnd = 0, audioBlocks = 0;
    std::vector<const TrackState*> audioTracks;
    for (const auto& t : medium.tracks) {
        if (t.audio) {
            audioBlocks += t.blocks;
            audioTracks.push_back(&t);
        } else {
            dataEnd = std::max<std::int64_t>(dataEnd, std::int64_t{t.start} + t.blocks);
        }
    }
    if (!medium.dataPayload.empty() && dataEnd > 0) {
        SourceFile data = OpenRegularFileOrThrow(folder / medium.dataPayload, "the data payload");
        std::int64_t size = data.Size();
        if (size < dataEnd * 2048)
            throw EngineError("The data payload " + medium.dataPayload +
                              " is truncated: it holds " + std::to_string(size / 2048) +
                              " blocks, the tracks need " + std::to_string(dataEnd));
    }
    if (audioTracks.empty())
        return;
    fs::path cue = folder / medium.audioPayload;
    fs::path bin = AudioBinPath(folder, medium);
    OpenRegularFileOrThrow(cue, "the audio payload");
    SourceFile binFile = OpenRegularFileOrThrow(bin, "the audio payload");
    if (binFile.Size() < audioBlocks * CDIO_CD_FRAMESIZE_RAW)
        throw EngineError("The audio payload " + bin.filename().string() + " is truncated");
    if (!openWithLibcdio)
        return;
    ReadSmallFile(cue); // refuses huge or unreadable sheets before libcdio parses them
    QuietLibcdio();
    bool toc = cue.extension() == ".toc";
    CdioPtr cdio(cdio_open(cue.c_str(), toc ? DRIVER_CDRDAO : DRIVER_BINCUE));
    if (!cdio)
        throw EngineError("The audio payload " + medium.audioPayload + " cannot be opened");
    track_t first = cdio_get_first_track_num(cdio.get());
    track_t count = cdio_get_num_tracks(cdio.get());
    // The sheet describes every track of the disc (data tracks as raw sectors), so libcdio's
    // track numbers and addresses are the disc's; a sheet of the audio tracks alone is read as
    // stores of earlier builds hold it, by the track lengths.
    const bool wholeDisc = count == medium.tracks.size();
    if (count == CDIO_INVALID_TRACK || (!wholeDisc && count != audioTracks.size()))
        throw EngineError("The audio payload " + medium.audioPayload + " holds " +
                          std::to_string(count == CDIO_INVALID_TRACK ? 0 : count) +
                          " tracks, medium.ini lists " + std::to_string(medium.tracks.size()));
    for (track_t i = 0; i < count; ++i) {
        auto track = static_cast<track_t>(first + i);
        const TrackState& listed = wholeDisc ? medium.tracks[i] : *audioTracks[i];
        auto length = cdio_get_track_sec_count(cdio.get(), track);
        bool audio = cdio_get_track_format(cdio.get(), track) == TRACK_FORMAT_AUDIO;
        if (static_cast<std::int32_t>(length) != listed.blocks ||
            (wholeDisc && cdio_get_track_lsn(cdio.get(), track) != listed.start))
            throw EngineError("The audio payload " + medium.audioPayload + ": track " +
                              std::to_string(i + 1) +
                              " position or length differs from medium.ini");
        if (audio != listed.audio)
            throw EngineError("The audio payload " + medium.audioPayload + ": track " +
                              std::to_string(i + 1) + " is " + (audio ? "audio" : "data") +
                              ", medium.ini says otherwise");
    }
}

DriveState LoadDriveState(const fs::path& folder, bool checkPayload) {
    DriveLock lock(folder, DriveLock::Mode::Shared);
    return LoadDriveStateLocked(folder, checkPayload);
}

DriveState LoadDriveStateLocked(const fs::path& folder, bool checkPayload) {
    DriveState state;
    state.folder = folder;
    state.config = ParseDriveIni(ReadSmallFile(folder / "drive.ini"),
                                 folder.filename().string() + "/drive.ini");
    std::error_code ec;
    if (!fs::exists(folder / "medium.ini", ec))
        return state;
    try {
        MediumState medium = ParseMediumIni(ReadSmallFile(folder / "medium.ini"));
        ValidatePayload(folder, medium, checkPayload);
        state.medium = std::move(medium);
    } catch (const EngineError& error) {
        state.problem = error.what();
    }
    return state;
}

} // namespace discengine
