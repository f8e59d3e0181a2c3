#include "DriveState.h"

#include "StoreFiles.h"
#include "discengine/Errors.h"

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
    std::error_code ec;
    std::int64_t audioBlocks = 0, dataEnd = 0;
    std::vector<std::int32_t> audioLengths;
    for (const auto& t : medium.tracks) {
        if (t.audio) {
            audioBlocks += t.blocks;
            audioLengths.push_back(t.blocks);
        } else {
            dataEnd = std::max<std::int64_t>(dataEnd, std::int64_t{t.start} + t.blocks);
        }
    }
    if (!medium.dataPayload.empty() && dataEnd > 0) {
        auto size = fs::file_size(folder / medium.dataPayload, ec);
        if (ec)
            throw EngineError("The data payload " + medium.dataPayload + " is missing");
        if (static_cast<std::int64_t>(size) < dataEnd * 2048)
            throw EngineError("The data payload " + medium.dataPayload +
                              " is truncated: it holds " + std::to_string(size / 2048) +
                              " blocks, the tracks need " + std::to_string(dataEnd));
    }
    if (audioLengths.empty())
        return;
    fs::path cue = folder / medium.audioPayload;
    fs::path bin = AudioBinPath(folder, medium);
    if (!fs::is_regular_file(cue, ec))
        throw EngineError("The audio payload " + medium.audioPayload + " is missing");
    auto binSize = fs::file_size(bin, ec);
    if (ec)
        throw EngineError("The audio payload " + bin.filename().string() + " is missing");
    if (static_cast<std::int64_t>(binSize) < audioBlocks * CDIO_CD_FRAMESIZE_RAW)
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
    if (count == CDIO_INVALID_TRACK || count != audioLengths.size())
        throw EngineError("The audio payload " + medium.audioPayload + " holds " +
                          std::to_string(count == CDIO_INVALID_TRACK ? 0 : count) +
                          " tracks, medium.ini lists " + std::to_string(audioLengths.size()));
    for (track_t i = 0; i < count; ++i) {
        auto length = cdio_get_track_sec_count(cdio.get(), static_cast<track_t>(first + i));
        if (static_cast<std::int32_t>(length) != audioLengths[i])
            throw EngineError("The audio payload " + medium.audioPayload + ": track " +
                              std::to_string(i + 1) + " length differs from medium.ini");
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
