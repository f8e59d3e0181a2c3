#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The shared settings of the program: folders and file names, option flags, and the rip options
// that live in memory only. One instance for the run. Whether a job runs and which page is on
// show are the shell's state, not settings.
namespace globals {

// Folders are held with a trailing separator; file paths are formed by concatenation.
inline std::string ProgramDir;
inline std::string ConfigFileName;
inline std::string OptionsFileName;
inline std::string LanguageDir;
inline std::string LanguageFileName;
inline std::string SkinsDir;
inline std::string LogFileName;
inline std::string TempDir;

inline bool EnableLog = false;
inline bool BootApplication = false;
inline int GrabOutputFormat = 0; // 1 WAV, 2 RAW, 3 MP3, 4 OGG, 5 FLAC
inline bool AutoPlay = false;
// Which real drives the engine uses (options.ini PhysicalDrives, never written by the program):
// "" every drive found, "0" none, else device paths separated by commas.
inline std::string PhysicalDrives;
inline int SavedLogLineCount = 0;

enum GrabFormat : int {
    FormatWav = 1,
    FormatRaw = 2,
    FormatMp3 = 3,
    FormatOgg = 4,
    FormatFlac = 5
};

// An extra ID3v2 frame: a four-character frame id and its text.
struct Id3v2Frame {
    std::string fourCC;
    std::string value;
};

inline constexpr const char* DefaultAccurateRipAddress = "http://www.accuraterip.com/accuraterip/";

// The rip options dialog's values (memory only, but for the FLAC level and the AccurateRip
// switch and address, which options.ini keeps beside GrabOutputFormat).
struct RipOptions {
    bool enableId3 = true;
    bool generateCrc = false;
    bool original = false;
    bool copyright = false;
    bool privateFlag = false;
    bool writeId3v2 = false;
    std::vector<Id3v2Frame> id3v2Frames;
    int bitrateIndex = 10;
    int vbrQualityIndex = 5;
    int vbrMaxBitrateIndex = 13;
    int mpegQualityIndex = 2;
    bool enableVbr = true;
    bool writeVbrHeader = true;
    bool useJointStereo = false;
    int oggBitrateIndex = 2;
    std::string oggVersion, oggOrganization, oggDescription, oggGenre, oggDate, oggLocation,
        oggCopyright;
    int flacLevel = 5; // 0..8, saved in options.ini
    // The AccurateRip check after a rip: the database is asked only when the user allows it.
    bool accurateRip = false;
    std::string accurateRipAddress = DefaultAccurateRipAddress;
};
inline RipOptions Rip;

// Number tables behind the rip option indexes.
inline constexpr std::array<int, 14> Mp3Bitrates{32,  40,  48,  56,  64,  80,  96,
                                                 112, 128, 160, 192, 224, 256, 320};
inline constexpr std::array<int, 10> VbrQualities{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
inline constexpr std::array<int, 7> OggBitrates{64, 96, 128, 160, 192, 256, 320};

// The name of the autostart entry and of the AutoPlay switch's service.
inline constexpr const char* AutoStartName = "Dubrix";
inline constexpr const char* AutoPlayServiceName = "ShellHWDetection";

// Fills the folder and file names from the program folder (the executable's folder unless a test
// gives another), writing config.ini first when it is missing or not marked as complete.
void LoadConfig(const std::optional<std::filesystem::path>& programDir = std::nullopt);
bool WriteDefaultConfig();
void LoadOptions();
bool WriteDefaultOptions();
void SaveOptions();

void SetAutoStart(bool on);
void SetAutoPlay(bool on);
// Service control for the AutoPlay switch. Throws std::system_error on failure.
void StartServiceIfStopped(const std::string& serviceName);
void StopServiceIfRunning(const std::string& serviceName);

// The text with one trailing separator ("/"): unchanged when it already ends in one.
std::string AddTrailingBackslash(const std::string& path);

// The executable autostart starts (tests may point it elsewhere).
std::filesystem::path ExecutableFile();
void SetExecutableFileForTests(const std::filesystem::path& file);

} // namespace globals
