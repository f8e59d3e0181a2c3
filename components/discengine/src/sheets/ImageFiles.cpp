#include "ImageFiles.h"

#include "../StoreFiles.h"
#include "CueReader.h"
#include "Sectors.h"
#include "TocReader.h"
#include "discengine/Errors.h"

#include <cstring>

namespace fs = std::filesystem;

namespace discengine::sheets {
namespace {

// A plan of one data track over a whole file.
DiscPlan SingleTrack(const fs::path& file, SourceFile source, SectorMode mode) {
    DiscPlan plan;
    PlanFile f;
    f.path = file;
    f.dataBytes = source.Size();
    f.file = std::move(source);
    plan.files.push_back(std::move(f));
    PlanTrack track;
    track.mode = mode;
    track.pieces.push_back({0, 0, plan.files.front().dataBytes});
    plan.tracks.push_back(std::move(track));
    CheckPlan(plan, file.filename().string());
    return plan;
}

bool HasVolumeDescriptor(const SourceFile& source, std::int64_t at) {
    char id[6] = {};
    return ReadAt(source.Fd(), id, 6, at) == 6 && std::memcmp(id + 1, "CD001", 5) == 0;
}

// A BIN without a sheet: raw sectors when sector 16 carries the sync pattern, else an ISO image.
DiscPlan LoneBin(const fs::path& file) {
    SourceFile source = OpenRegularFileOrThrow(file, "the image");
    std::int64_t size = source.Size();
    char head[16] = {};
    if (size % kRawSector == 0 && ReadAt(source.Fd(), head, 16, 16 * kRawSector) == 16 &&
        HasSync(head))
        return SingleTrack(file, std::move(source),
                           head[15] == 2 ? SectorMode::Mode2Raw : SectorMode::Mode1Raw);
    if (size % kUserData == 0 && HasVolumeDescriptor(source, 16 * kUserData))
        return SingleTrack(file, std::move(source), SectorMode::Mode1Cooked);
    throw EngineError(file.string() + " has no cue sheet or TOC of the same name beside it, and "
                                      "its sectors are neither 2048 nor 2352 bytes of data");
}

} // namespace

DiscPlan ReadDiscImage(const fs::path& file, SheetRule rule) {
    std::string ext = storefiles::Lower(file.extension().string());
    if (ext == ".cue")
        return ReadCueSheet(file, storefiles::ReadSmallFile(file), rule);
    if (ext == ".toc")
        return ReadTocFile(file, storefiles::ReadSmallFile(file), rule);
    if (ext == ".iso") {
        SourceFile source = OpenRegularFileOrThrow(file, "the image");
        if (source.Size() < 17 * kUserData)
            throw EngineError(file.string() + " is too small to be a disc image");
        return SingleTrack(file, std::move(source), SectorMode::Mode1Cooked);
    }
    if (ext == ".bin") {
        for (const char* sheetExt : {".cue", ".toc"}) {
            fs::path sheet = fs::path(file).replace_extension(sheetExt);
            std::error_code ec;
            if (fs::exists(sheet, ec))
                return ReadDiscImage(sheet, SheetRule::FolderOnly);
        }
        return LoneBin(file);
    }
    if (ext == ".mdf" || ext == ".mds" || ext == ".nrg")
        throw EngineError(file.string() + ": " + ext.substr(1) +
                          " images are not read; convert the image to BIN/CUE or ISO");
    throw EngineError(file.string() + " is not a disc image this program reads (.cue, .toc, "
                                      ".iso or .bin)");
}

} // namespace discengine::sheets
