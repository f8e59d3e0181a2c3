#include "discengine/VirtualStore.h"

#include "DriveState.h"
#include "StoreFiles.h"
#include "data/SampleDataDisc.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "discengine/SampleAudioDisc.h"
#include "sheets/ImageFiles.h"
#include "sheets/PayloadWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

namespace discengine {

using namespace storefiles;

namespace {

// Removes the payload files of the medium currently in `folder` (under the caller's lock).
void RemoveCurrentPayload(const fs::path& folder) {
    std::error_code ec;
    for (const char* name : {"disc.iso", "disc.bin", "disc.cue", "disc.toc"})
        fs::remove(folder / name, ec);
}

void CloseTrayLocked(const fs::path& folder) {
    DriveConfig c = ParseDriveIni(ReadSmallFile(folder / "drive.ini"));
    if (c.trayOpen) {
        c.trayOpen = false;
        WriteAtomic(folder / "drive.ini", FormatDriveIni(c));
    }
}

// Copies a file into the drive folder under a temporary name; the caller renames it.
fs::path StageCopy(const fs::path& source, const fs::path& folder, const std::string& name) {
    fs::path temp = folder / (".staging." + name);
    std::error_code ec;
    fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
    if (ec)
        throw EngineError("Cannot copy " + source.string() + " into the drive: " + ec.message());
    return temp;
}

} // namespace

VirtualStore::VirtualStore(fs::path root) : root_(std::move(root)) {}

std::vector<fs::path> VirtualStore::DriveFolders() const {
    std::vector<fs::path> folders;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_, ec)) {
        std::error_code ignored;
        if (entry.is_directory(ignored) && fs::exists(entry.path() / "drive.ini", ignored))
            folders.push_back(entry.path());
    }
    if (ec)
        throw EngineError("Cannot read the drive store " + root_.string() + ": " + ec.message());
    std::sort(folders.begin(), folders.end());
    return folders;
}

fs::path VirtualStore::FolderOf(char letter) const {
    auto folders = DriveFolders();
    int index = std::toupper(static_cast<unsigned char>(letter)) - 'D';
    if (index < 0 || index >= static_cast<int>(folders.size()) || index >= 23)
        throw EngineError(std::string("There is no drive ") +
                          static_cast<char>(std::toupper(static_cast<unsigned char>(letter))) +
                          ":");
    return folders[static_cast<std::size_t>(index)];
}

void VirtualStore::AddDrive(const std::string& folderName, const DriveConfig& config) const {
    if (folderName.empty() || folderName.find_first_of("/\\") != std::string::npos ||
        folderName[0] == '.')
        throw EngineError("Invalid drive folder name \"" + folderName + "\"");
    fs::path folder = root_ / folderName;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw EngineError("Cannot create " + folder.string() + ": " + ec.message());
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    WriteAtomic(folder / "drive.ini", FormatDriveIni(config));
}

DriveConfig VirtualStore::ReadDrive(char letter) const {
    fs::path folder = FolderOf(letter);
    DriveLock lock(folder, DriveLock::Mode::Shared);
    return ParseDriveIni(ReadSmallFile(folder / "drive.ini"));
}

void VirtualStore::WriteDrive(char letter, const DriveConfig& config) const {
    fs::path folder = FolderOf(letter);
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    WriteAtomic(folder / "drive.ini", FormatDriveIni(config));
}

void VirtualStore::SetTray(char letter, bool open) const {
    fs::path folder = FolderOf(letter);
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    DriveConfig c = ParseDriveIni(ReadSmallFile(folder / "drive.ini"));
    c.trayOpen = open;
    WriteAtomic(folder / "drive.ini", FormatDriveIni(c));
}

void VirtualStore::RemoveMedium(char letter) const {
    fs::path folder = FolderOf(letter);
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    std::error_code ec;
    fs::remove(folder / "medium.ini", ec);
    RemoveCurrentPayload(folder);
}

void VirtualStore::InsertBlank(char letter, std::int32_t mediaType, std::int32_t capacity) const {
    if (!IsRecordableMedia(mediaType))
        throw EngineError("A blank " + MediaTypeName(mediaType) + " does not exist");
    MediumState m;
    m.mediaType = mediaType;
    m.capacity = capacity > 0 ? capacity : DefaultCapacity(mediaType);
    m.erasable = IsRewritableMedia(mediaType);
    m.discStatus = kDiscEmpty;
    m.lastSessionStatus = kSessionEmpty;
    fs::path folder = FolderOf(letter);
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    WriteAtomic(folder / "medium.ini", FormatMediumIni(m));
    RemoveCurrentPayload(folder);
    CloseTrayLocked(folder);
}

void VirtualStore::InsertImage(char letter, const fs::path& iso) const {
    std::error_code ec;
    auto size = fs::file_size(iso, ec);
    if (ec || !fs::is_regular_file(iso))
        throw EngineError("Cannot read the image " + iso.string());
    if (size < 17 * 2048)
        throw EngineError(iso.string() + " is too small to be a disc image");
    auto blocks = static_cast<std::int64_t>((size + 2047) / 2048);
    MediumState m;
    m.mediaType = blocks <= kBlocksCD80      ? kMediaCDROM
                  : blocks <= kBlocksDVDDual ? kMediaDVDROM
                                             : kMediaBDROM;
    if (blocks > kBlocksBD * 2)
        throw EngineError(iso.string() + " is larger than any disc");
    m.capacity = static_cast<std::int32_t>(blocks);
    m.discType = kDiscTypeCDDA;
    m.discStatus = kDiscComplete;
    m.lastSessionStatus = kSessionComplete;
    m.dataPayload = "disc.iso";
    m.tracks.push_back(TrackState{1, false, 0, static_cast<std::int32_t>(blocks)});
    fs::path folder = FolderOf(letter);
    fs::path staged = StageCopy(iso, folder, "disc.iso");
    if (size % 2048)
        fs::resize_file(staged, static_cast<std::uintmax_t>(blocks * 2048), ec);
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    RemoveCurrentPayload(folder);
    fs::rename(staged, folder / "disc.iso", ec);
    if (ec)
        throw EngineError("Cannot place the image in the drive: " + ec.message());
    WriteAtomic(folder / "medium.ini", FormatMediumIni(m));
    CloseTrayLocked(folder);
}

namespace {
void PlaceAudioDisc(const fs::path& folder, const AudioDiscFiles& files) {
    MediumState m;
    m.mediaType = kMediaCDROM;
    m.discType = kDiscTypeCDDA;
    m.discStatus = kDiscComplete;
    m.lastSessionStatus = kSessionComplete;
    m.audioPayload = "disc.cue";
    std::int32_t start = 0;
    for (auto frames : files.trackFrames) {
        m.tracks.push_back(TrackState{1, true, start, frames});
        start += frames;
    }
    m.capacity = start;
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    RemoveCurrentPayload(folder);
    std::error_code ec;
    fs::rename(files.bin, folder / "disc.bin", ec);
    if (ec)
        throw EngineError("Cannot place the audio disc in the drive: " + ec.message());
    fs::remove(files.cue, ec);
    // The sheet names the BIN by its final name.
    WriteCueSheet(folder / "disc.cue", "disc.bin", files.trackFrames, files.text);
    WriteAtomic(folder / "medium.ini", FormatMediumIni(m));
    CloseTrayLocked(folder);
}
} // namespace

namespace {
// A hidden folder inside the drive folder where a new payload is built, removed with whatever
// is left in it: on success its files have been renamed into the drive folder.
class StagingFolder {
public:
    explicit StagingFolder(const fs::path& driveFolder) {
        std::string pattern = (driveFolder / ".staging.XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw EngineError("Cannot prepare the drive folder " + driveFolder.string() + ": " +
                              std::strerror(errno));
        path_ = pattern;
    }
    ~StagingFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};
} // namespace

void VirtualStore::InsertDiscImage(char letter, const fs::path& image, SheetRule rule) const {
    fs::path folder = FolderOf(letter);
    sheets::DiscPlan plan = sheets::ReadDiscImage(image, rule);
    StagingFolder staging(folder);
    MediumState m = sheets::WritePayload(plan, staging.Path());
    // libcdio must read the new payload back as the disc we describe before it replaces anything.
    ValidatePayload(staging.Path(), m, true);
    DriveLock lock(folder, DriveLock::Mode::Exclusive);
    RemoveCurrentPayload(folder);
    for (const char* name : {"disc.bin", "disc.cue", "disc.iso"}) {
        std::error_code ec;
        if (fs::symlink_status(staging.Path() / name, ec).type() == fs::file_type::not_found)
            continue;
        fs::rename(staging.Path() / name, folder / name, ec);
        if (ec)
            throw EngineError("Cannot place the disc in the drive: " + ec.message());
    }
    WriteAtomic(folder / "medium.ini", FormatMediumIni(m));
    CloseTrayLocked(folder);
}

void VirtualStore::InsertSampleAudio(char letter) const {
    fs::path folder = FolderOf(letter);
    AudioDiscFiles staged = WriteSampleAudioDisc(folder, ".staging.disc");
    PlaceAudioDisc(folder, staged);
}

void VirtualStore::InsertSampleData(char letter) const {
    data::InsertSampleDataDisc(*this, letter);
}

} // namespace discengine
