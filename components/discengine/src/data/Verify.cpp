// Verification after a data write: every file read back from the written volume through the
// volume layer (libcdio) and compared byte for byte with its source.
#include "DiscSource.h"
#include "DriveState.h"
#include "Jobs.h"
#include "VirtualDevice.h"
#include "discengine/Volume.h"
#include "isofs/ImageReader.h"

#include <cstring>

namespace fs = std::filesystem;

namespace discengine::data {
namespace {

struct Outcome {
    std::int32_t status = kVerifyMatched;
    std::uint64_t compared = 0, total = 0;
};

Outcome Compare(const IDiscVolume& written, const VerifyEntry& entry, const JobShared& job) {
    Outcome out;
    std::unique_ptr<isofs::SourceReader> source;
    try {
        source = entry.openSource();
    } catch (const std::exception&) {
        out.status = kVerifySourceUnreadable;
        return out;
    }
    out.total = source->size();
    std::optional<VolumeEntry> dest;
    try {
        dest = written.Stat(entry.discPath);
    } catch (const std::exception&) {
    }
    if (!dest || dest->isFolder) {
        out.status = kVerifyDestUnreadable;
        return out;
    }
    if (dest->size != source->size()) {
        out.status = kVerifySizeDiffer;
        return out;
    }
    std::vector<char> mine;
    bool sourceFailed = false, differ = false;
    bool complete = false;
    try {
        complete = written.ReadFile(entry.discPath, [&](const char* data, std::size_t size) {
            if (job.cancel)
                return false;
            mine.resize(size);
            std::size_t got = 0;
            try {
                while (got < size) {
                    std::size_t n = source->read(mine.data() + got, size - got);
                    if (n == 0)
                        break;
                    got += n;
                }
            } catch (const std::exception&) {
                sourceFailed = true;
                return false;
            }
            if (got != size || std::memcmp(mine.data(), data, size) != 0) {
                differ = got == size;
                sourceFailed = got != size;
                return false;
            }
            out.compared += size;
            return true;
        });
    } catch (const std::exception&) {
        if (!sourceFailed && !differ) {
            out.status = kVerifyDestUnreadable;
            return out;
        }
    }
    if (sourceFailed)
        out.status = kVerifySourceUnreadable;
    else if (differ)
        out.status = kVerifyDiffer;
    else if (!complete)
        out.status = job.cancel ? kVerifyMatched : kVerifyDestUnreadable;
    return out;
}

void Collect(const isofs::ImageEntry& folder, const std::string& path,
             const std::shared_ptr<IDiscVolume>& original, std::vector<VerifyEntry>& out) {
    for (const auto& child : folder.children) {
        std::string childPath = path + "\\" + child.name;
        if (child.isFolder) {
            Collect(child, childPath, original, out);
            continue;
        }
        VerifyEntry entry;
        entry.item = MakeDetachedItem(child.name, childPath, std::string(), child.size, child.date);
        entry.discPath = childPath;
        entry.openSource = [original, childPath] {
            return OpenVolumeFile(original, childPath, childPath);
        };
        out.push_back(std::move(entry));
    }
}

} // namespace

std::shared_ptr<IDiscVolume> OpenImageVolume(const fs::path& image) {
    std::error_code ec;
    auto bytes = fs::file_size(image, ec);
    if (ec)
        throw EngineError("Cannot read the image file " + image.string());
    DriveState state;
    state.folder = image.parent_path();
    MediumState medium;
    medium.dataPayload = image.filename().string();
    medium.tracks.push_back(TrackState{1, false, 0, static_cast<std::int32_t>(bytes / 2048)});
    state.medium = medium;
    return OpenDriveVolume(state);
}

std::vector<VerifyEntry> ImageFileEntries(const fs::path& image) {
    auto loaded = isofs::readImageFile(image);
    auto original = OpenImageVolume(image);
    std::vector<VerifyEntry> entries;
    Collect(loaded.root, "", original, entries);
    return entries;
}

void VerifyFiles(Reporter& reporter, const std::shared_ptr<IDiscVolume>& written,
                 const std::vector<VerifyEntry>& entries) {
    JobShared& job = reporter.Job();
    auto count = static_cast<std::int32_t>(entries.size());
    job.hub->Emit([&](IEngineListener& l) { l.OnFileVerifyStart(job.imageId, count); });
    std::int32_t matched = 0, index = 0;
    for (const auto& entry : entries) {
        if (job.cancel)
            break;
        Outcome out = written ? Compare(*written, entry, job) : Outcome{kVerifyDestUnreadable};
        if (out.status == kVerifyMatched && !job.cancel)
            ++matched;
        ++index;
        bool cancel = false;
        job.hub->Emit([&](IEngineListener& l) {
            l.OnFileVerify(job.imageId, entry.item, static_cast<double>(out.compared),
                           static_cast<double>(out.total), out.status, index, count, cancel);
        });
        if (cancel)
            job.cancel = true;
    }
    job.hub->Emit([&](IEngineListener& l) { l.OnFileVerifyComplete(job.imageId, count, matched); });
}

} // namespace discengine::data
