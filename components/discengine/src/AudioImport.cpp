#include "AudioImport.h"

#include "DriveState.h"
#include "StoreFiles.h"
#include "discengine/Errors.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <fstream>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace discengine {
namespace {

struct CdioCloser {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};

// Longest audio disc we accept: 99 minutes.
constexpr std::int64_t kMaxFrames = 99 * 60 * 75;

std::string TextOf(cdtext_t* text, cdtext_field_t field, track_t track) {
    if (!text)
        return {};
    const char* value = cdtext_get_const(text, field, track);
    return value ? value : "";
}

} // namespace

AudioDiscFiles ImportAudioDisc(const fs::path& cueOrToc, const fs::path& folder,
                               const std::string& baseName) {
    std::string ext = storefiles::Lower(cueOrToc.extension().string());
    if (ext != ".cue" && ext != ".toc")
        throw EngineError(cueOrToc.string() + " is neither a cue sheet nor a TOC file");
    storefiles::ReadSmallFile(cueOrToc); // exists, readable and of a sane size
    QuietLibcdio();
    std::unique_ptr<CdIo_t, CdioCloser> cdio(
        cdio_open(cueOrToc.c_str(), ext == ".toc" ? DRIVER_CDRDAO : DRIVER_BINCUE));
    if (!cdio)
        throw EngineError("libcdio cannot open " + cueOrToc.string() +
                          " (a broken sheet or a missing audio file)");
    track_t first = cdio_get_first_track_num(cdio.get());
    track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        throw EngineError(cueOrToc.string() + " holds no tracks");

    AudioDiscFiles files;
    files.cue = folder / (baseName + ".cue");
    files.bin = folder / (baseName + ".bin");
    cdtext_t* text = cdio_get_cdtext(cdio.get());
    files.text.album = TextOf(text, CDTEXT_FIELD_TITLE, 0);
    files.text.performer = TextOf(text, CDTEXT_FIELD_PERFORMER, 0);
    files.text.genre = TextOf(text, CDTEXT_FIELD_GENRE, 0);
    std::int64_t total = 0;
    for (track_t i = 0; i < count; ++i) {
        auto track = static_cast<track_t>(first + i);
        if (cdio_get_track_format(cdio.get(), track) != TRACK_FORMAT_AUDIO)
            throw EngineError(cueOrToc.string() + ": track " + std::to_string(track) +
                              " is a data track; insert data discs as .iso images");
        auto frames = static_cast<std::int64_t>(cdio_get_track_sec_count(cdio.get(), track));
        if (frames <= 0)
            throw EngineError(cueOrToc.string() + ": track " + std::to_string(track) + " is empty");
        total += frames;
        if (total > kMaxFrames)
            throw EngineError(cueOrToc.string() + " is longer than an audio CD can be");
        files.trackFrames.push_back(static_cast<std::int32_t>(frames));
        files.text.tracks.push_back(
            {TextOf(text, CDTEXT_FIELD_TITLE, track), TextOf(text, CDTEXT_FIELD_PERFORMER, track)});
    }

    fs::path temp = files.bin;
    temp += ".part";
    try {
        std::ofstream bin(temp, std::ios::binary | std::ios::trunc);
        std::vector<char> buffer(75 * CDIO_CD_FRAMESIZE_RAW);
        for (track_t i = 0; i < count; ++i) {
            auto track = static_cast<track_t>(first + i);
            lsn_t lsn = cdio_get_track_lsn(cdio.get(), track);
            std::int64_t left = files.trackFrames[i];
            while (left > 0) {
                auto n = static_cast<std::uint32_t>(std::min<std::int64_t>(left, 75));
                if (cdio_read_audio_sectors(cdio.get(), buffer.data(), lsn, n) != DRIVER_OP_SUCCESS)
                    throw EngineError(cueOrToc.string() + ": the audio of track " +
                                      std::to_string(track) + " cannot be read (truncated?)");
                bin.write(buffer.data(), static_cast<std::streamsize>(n) * CDIO_CD_FRAMESIZE_RAW);
                lsn += static_cast<lsn_t>(n);
                left -= n;
            }
        }
        if (!bin.flush())
            throw EngineError("Cannot write the audio into the drive folder");
        bin.close();
        fs::rename(temp, files.bin);
        WriteCueSheet(files.cue, files.bin.filename().string(), files.trackFrames, files.text);
    } catch (...) {
        std::error_code ec;
        fs::remove(temp, ec);
        fs::remove(files.bin, ec);
        throw;
    }
    return files;
}

} // namespace discengine
