#include "jobs/AudioImageJob.h"

#include "discengine/Disc.h"
#include "discengine/MSF.h"
#include "jobs/AudioDecoder.h"

#include <cstdlib>

namespace fs = std::filesystem;

namespace jobs {

AudioImagePreparation::AudioImagePreparation(const fs::path& parent) {
    const fs::path in = parent.empty() ? fs::temp_directory_path() : parent;
    std::error_code ec;
    fs::create_directories(in, ec);
    std::string pattern = (in / "platterly-burn-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw JobError("cannot create a temporary folder in " + in.string());
    temp_ = pattern;
}

namespace {

SourceTags TagsOf(const fs::path& file) {
    SourceTags tags;
    try {
        tags = ReadSourceTags(file);
    } catch (const std::exception&) {
        // Without the audio component the names still come from the files.
    }
    if (tags.title.empty())
        tags.title = file.stem().string();
    return tags;
}

} // namespace

AudioImagePreparation::~AudioImagePreparation() {
    std::error_code ec;
    fs::remove_all(temp_, ec);
}

void AudioImagePreparation::Fill(discengine::IAudioCDImageX& image,
                                 const std::vector<fs::path>& files,
                                 const std::function<void(const std::string&)>& notice,
                                 const std::function<bool()>& stop) {
    image.ClearTracks();
    bool albumFound = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (stop && stop())
            throw JobCancelled();
        const fs::path& file = files[i];
        std::error_code ec;
        if (!fs::is_regular_file(file, ec))
            throw JobError(file.string() + ": no such file");
        const auto position = static_cast<std::int32_t>(i + 1);
        const std::string track = "Track " + std::to_string(position) + ": ";
        if (image.InsertTrack(file, position)) {
            notice(track + file.string());
        } else {
            fs::path wav;
            try {
                notice(track + "decoding " + file.string());
                wav = DecodeToNewWav(file, temp_);
            } catch (const std::exception& error) {
                throw JobError("cannot decode " + file.string() + ": " + error.what());
            }
            if (!image.InsertTrack(wav, position))
                throw TrackRefused(file.string() +
                                   ": the decoded audio was refused by the audio image");
        }
        const SourceTags tags = TagsOf(file);
        image.SetTrackText(position, tags.title, tags.artist);
        if (!albumFound && !tags.album.empty()) {
            albumFound = true;
            image.SetDiscText(tags.album,
                              tags.albumArtist.empty() ? tags.artist : tags.albumArtist);
        }
    }
}

void CheckAudioDisc(discengine::IDeviceX& device, std::int32_t need) {
    device.Refresh(false);
    auto info = device.DiscInfo();
    const std::string letter(1, device.DriveLetter());
    if (!device.IsWriter())
        throw JobError(letter + ": cannot write");
    if (info->MediaType() == discengine::kMediaNone)
        throw JobError("there is no disc in " + letter + ":");
    if (!info->IsOpen() || info->DiscStatus() != discengine::kDiscEmpty)
        throw JobError("the disc in " + letter + ": is not blank; an audio CD needs a blank disc");
    const std::int32_t free = device.FreeBlocks(false);
    if (need > free)
        throw JobError("the tracks need " + discengine::MsfText(need) + " (" +
                       std::to_string(need) + " blocks), the disc in " + letter + ": holds " +
                       discengine::MsfText(free) + " (" + std::to_string(free) + " blocks)");
}

} // namespace jobs
