#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The virtual drive store: one sub-folder per drive holding drive.ini and, when a medium is
// loaded, medium.ini plus its payload. The formats are documented in the component's README.
// Every change is written to a temporary file and renamed into place under the drive's lock,
// so two processes never see or make a half-written drive.
namespace discengine {

// drive.ini
struct DriveConfig {
    std::string vendor = "PLATTERLY";
    std::string product = "Virtual Drive";
    std::string revision = "1.00";
    bool writer = false;
    std::vector<std::int32_t> capabilities;   // Supports codes answered true
    std::int32_t maxReadSpeed = 7056;         // KB/s
    std::int32_t maxWriteSpeed = 0;           // KB/s
    std::vector<std::int32_t> cdWriteSpeeds;  // KB/s, fastest first
    std::vector<std::int32_t> dvdWriteSpeeds; // also used for BD and HD DVD media
    std::int32_t bufferSize = 2048;           // KB
    bool trayOpen = false;
    // Fault injection for tests: fail an erase / a later write after this many blocks (-1: no).
    std::int64_t failEraseAfterBlocks = -1;
    std::int64_t failWriteAfterBlocks = -1;
};

struct TrackState {
    std::int32_t session = 1;
    bool audio = true;
    std::int32_t start = 0; // LBA
    std::int32_t blocks = 0;
};

// medium.ini
struct MediumState {
    std::int32_t mediaType = 0;
    std::int32_t discType = 0;
    std::int32_t capacity = 0; // blocks
    bool erasable = false;
    std::int32_t discStatus = 0;
    std::int32_t lastSessionStatus = 0;
    std::vector<TrackState> tracks; // written tracks only; the open track is implied
    std::string audioPayload;       // file name in the drive folder: "disc.cue" / "disc.toc"
    std::string dataPayload;        // "disc.iso": data sectors addressed by LBA from 0
};

// Which files a cue sheet or TOC may name. A sheet is a text anyone can write, so by default it
// reads only files in its own folder and the folders below it (after following links); names
// that are absolute or lead elsewhere need the user's explicit consent for that sheet. Either
// way only regular files are read, never FIFOs, devices or folders.
enum class SheetRule {
    FolderOnly,    // files in the sheet's folder or below it
    AnyRegularFile // also absolute names and names leaving the folder
};

// Parsing and printing; parse errors throw EngineError with the file's name and the reason.
DriveConfig ParseDriveIni(const std::string& text, const std::string& fileName = "drive.ini");
std::string FormatDriveIni(const DriveConfig& config);
MediumState ParseMediumIni(const std::string& text, const std::string& fileName = "medium.ini");
std::string FormatMediumIni(const MediumState& medium);

// Media type names used by tools ("cd-rw", "dvd+r", ...) and their default capacity.
std::optional<std::int32_t> MediaTypeFromName(const std::string& name);
std::string MediaTypeName(std::int32_t mediaType);
std::int32_t DefaultCapacity(std::int32_t mediaType);
bool IsRewritableMedia(std::int32_t mediaType);
bool IsRecordableMedia(std::int32_t mediaType); // blank-able write-once or rewritable types

// Store operations for tools and tests. Letters follow the sorted drive folder names: the
// first is D, then E, F, ...
class VirtualStore {
public:
    explicit VirtualStore(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root_; }
    // Drive folders in store order (sub-folders holding a drive.ini, sorted by name).
    std::vector<std::filesystem::path> DriveFolders() const;
    // The folder of the drive with this letter; throws EngineError for an unknown letter.
    std::filesystem::path FolderOf(char letter) const;

    // Creates a drive folder (name decides its place in store order) with this drive.ini.
    void AddDrive(const std::string& folderName, const DriveConfig& config) const;
    DriveConfig ReadDrive(char letter) const;
    void WriteDrive(char letter, const DriveConfig& config) const;

    // Media changes. Each replaces the loaded medium and closes the tray.
    void InsertBlank(char letter, std::int32_t mediaType, std::int32_t capacity = 0) const;
    // An ISO9660/UDF image as a complete single-track data disc (CD-ROM, DVD-ROM or BD-ROM by
    // size).
    void InsertImage(char letter, const std::filesystem::path& iso) const;
    // A disc image a user brings: a cue sheet or cdrdao TOC (audio, data and mixed-mode discs,
    // several files, CD-Text), an .iso, or a .bin (with the sheet of its name beside it, else as
    // data sectors). Stored as the engine's own payload (README: "Disc images"); the files a
    // sheet names are read under `rule`. Throws EngineError with the reason; the drive keeps
    // its medium then.
    void InsertDiscImage(char letter, const std::filesystem::path& image,
                         SheetRule rule = SheetRule::FolderOnly) const;
    void InsertSampleAudio(char letter) const;
    // The sample data CD of the default store's F: (ISO9660 + Joliet + UDF, label SAMPLE DATA).
    void InsertSampleData(char letter) const;
    // Tray state only; the medium stays.
    void SetTray(char letter, bool open) const;
    void RemoveMedium(char letter) const;

private:
    std::filesystem::path root_;
};

// Creates the embedded default store at `root` (D: reader with the sample audio CD, E: CD/DVD
// recorder with a blank 80-minute CD-RW, F: CD/DVD recorder with the sample data CD). The drive
// list is a table in DefaultStore.cpp.
void CreateDefaultStore(const std::filesystem::path& root);

} // namespace discengine
