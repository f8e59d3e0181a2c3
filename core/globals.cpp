#include "core/globals.h"

#include "platform/AutoStart.h"
#include "platform/DesktopAutoPlay.h"
#include "platform/IniFile.h"
#include "platform/SystemPaths.h"

#include <algorithm>
#include <system_error>

namespace globals {

namespace {

constexpr const char* ConfigSection = "Config";
constexpr const char* OptionsSection = "Options";

std::filesystem::path executableOverride;

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

std::string AddTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '/')
        return path;
    return path + "/";
}

std::filesystem::path ExecutableFile() {
    return executableOverride.empty() ? platform::ExecutablePath() : executableOverride;
}

void SetExecutableFileForTests(const std::filesystem::path& file) {
    executableOverride = file;
}

bool WriteDefaultConfig() {
    platform::IniFile ini(ConfigFileName);
    ini.setBool(ConfigSection, "Flag", true);
    ini.setString(ConfigSection, "LanguagePath", "langs");
    ini.setString(ConfigSection, "LanguageFile", "english.ini");
    ini.setString(ConfigSection, "SkinDir", "skins");
    ini.setString(ConfigSection, "LogFile", "Dubrix.log");
    return ini.save();
}

void LoadConfig(const std::optional<std::filesystem::path>& programDir) {
    const auto dir = programDir ? *programDir : ExecutableFile().parent_path();
    ProgramDir = AddTrailingBackslash(dir.string());
    ConfigFileName = ProgramDir + "config.ini";
    OptionsFileName = ProgramDir + "options.ini";
    SavedLogLineCount = 0;

    if (!fileExists(ConfigFileName))
        WriteDefaultConfig();
    platform::IniFile ini(ConfigFileName);
    if (!ini.readBool(ConfigSection, "Flag", false)) {
        WriteDefaultConfig();
        ini.reload();
    }
    LanguageDir =
        AddTrailingBackslash(ProgramDir + ini.readString(ConfigSection, "LanguagePath", "langs"));
    LanguageFileName = LanguageDir + ini.readString(ConfigSection, "LanguageFile", "english.ini");
    SkinsDir = AddTrailingBackslash(ProgramDir + ini.readString(ConfigSection, "SkinDir", "skins"));
    LogFileName = ProgramDir + ini.readString(ConfigSection, "LogFile", "Dubrix.log");
}

bool WriteDefaultOptions() {
    platform::IniFile ini(OptionsFileName);
    ini.setString(OptionsSection, "TempDir", ProgramDir + "DubrixTemp");
    ini.setBool(OptionsSection, "EnableLog", true);
    ini.setBool(OptionsSection, "BootApplication", true);
    ini.setBool(OptionsSection, "AutoPlay", true);
    ini.setInteger(OptionsSection, "GrabOutputFormat", FormatMp3);
    return ini.save();
}

void LoadOptions() {
    if (!fileExists(OptionsFileName))
        WriteDefaultOptions();
    const platform::IniFile ini(OptionsFileName);
    TempDir =
        AddTrailingBackslash(ini.readString(OptionsSection, "TempDir", ProgramDir + "DubrixTemp"));
    std::error_code ec;
    if (!std::filesystem::is_directory(TempDir, ec))
        std::filesystem::create_directories(TempDir, ec);
    EnableLog = ini.readBool(OptionsSection, "EnableLog", true);
    BootApplication = ini.readBool(OptionsSection, "BootApplication", true);
    GrabOutputFormat =
        static_cast<int>(ini.readInteger(OptionsSection, "GrabOutputFormat", FormatWav));
    AutoPlay = ini.readBool(OptionsSection, "AutoPlay", true);
    PhysicalDrives = ini.readString(OptionsSection, "PhysicalDrives", "");
    Rip = RipOptions{};
    Rip.flacLevel =
        std::clamp(static_cast<int>(ini.readInteger(OptionsSection, "FlacLevel", 5)), 0, 8);
    Rip.accurateRip = ini.readBool(OptionsSection, "AccurateRip", false);
    Rip.accurateRipAddress =
        ini.readString(OptionsSection, "AccurateRipAddress", DefaultAccurateRipAddress);
}

void SaveOptions() {
    try {
        platform::IniFile ini(OptionsFileName);
        auto write = [&ini] {
            if (!ini.save())
                throw std::system_error(std::make_error_code(std::errc::io_error));
        };
        ini.setString(OptionsSection, "TempDir", TempDir);
        ini.setBool(OptionsSection, "EnableLog", EnableLog);
        ini.setBool(OptionsSection, "BootApplication", BootApplication);
        write();
        SetAutoStart(BootApplication);
        ini.setInteger(OptionsSection, "GrabOutputFormat", GrabOutputFormat);
        ini.setBool(OptionsSection, "AutoPlay", AutoPlay);
        ini.setInteger(OptionsSection, "FlacLevel", Rip.flacLevel);
        ini.setBool(OptionsSection, "AccurateRip", Rip.accurateRip);
        ini.setString(OptionsSection, "AccurateRipAddress", Rip.accurateRipAddress);
        write();
        SetAutoPlay(AutoPlay);
    } catch (const std::exception&) {
        // Saving at exit is best effort: the user has already chosen to leave.
    }
}

void SetAutoStart(bool on) {
    if (on)
        platform::WriteAutoStartEntry(AutoStartName, ExecutableFile());
    else
        platform::RemoveAutoStartEntry(AutoStartName);
}

void SetAutoPlay(bool on) {
    if (on)
        StartServiceIfStopped(AutoPlayServiceName);
    else
        StopServiceIfRunning(AutoPlayServiceName);
}

namespace {

// The only "service" this program switches is the desktop's media AutoPlay setting. A desktop
// without that setting has nothing to switch: that is not an error worth raising.
void switchService(const std::string& serviceName, bool run) {
    if (serviceName != AutoPlayServiceName)
        throw std::system_error(std::make_error_code(std::errc::no_such_process), serviceName);
    const auto state = platform::DesktopAutoPlayEnabled();
    if (!state || *state == run)
        return;
    if (!platform::SetDesktopAutoPlay(run))
        throw std::system_error(std::make_error_code(std::errc::permission_denied), serviceName);
}

} // namespace

void StartServiceIfStopped(const std::string& serviceName) {
    switchService(serviceName, true);
}

void StopServiceIfRunning(const std::string& serviceName) {
    switchService(serviceName, false);
}

} // namespace globals
