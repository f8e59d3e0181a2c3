#include "updater/UpdateTexts.h"

#include "core/MultiLanguages.h"
#include "platform/IniFile.h"

#include <array>

namespace updater {
namespace {

constexpr const char* Section = "Update";

struct Entry {
    const char* key;
    const char* english;
};

constexpr std::array<Entry, UpdateTextCount> Entries{{
    {"IDS_UPDATE_Title", "Updating"},
    {"IDS_UPDATE_BUTTON_Start", "Start"},
    {"IDS_UPDATE_BUTTON_Stop", "Stop"},
    {"IDS_UPDATE_STATUS_Stop", "Operation Stopped!"},
    {"IDS_UPDATE_STATUS_Checking", "Checking new version, please waiting..."},
    {"IDS_UPDATE_STATUS_Found", "Found new version(%s) for update!"},
    {"IDS_UPDATE_STATUS_Newest", "You have had the newest version!"},
    {"IDS_UPDATE_STATUS_Resetup",
     "Found new version, but you need to resetup the application! Click the following URL to "
     "download the new application."},
    {"IDS_UPDATE_STATUS_Downloading", "Downloading, please waiting..."},
    {"IDS_UPDATE_STATUS_Unzipping", "Unzipping:"},
    {"IDS_UPDATE_STATUS_Success", "Update successfully!"},
    {"IDS_UPDATE_STATUS_Error", "Error: %s(%d)"},
    {"IDS_UPDATE_MSG_Update",
     "Do you want to update to %s? Choose Yes to close the application and start downloading."},
}};

std::array<QString, UpdateTextCount>& Current() {
    static std::array<QString, UpdateTextCount> texts = [] {
        std::array<QString, UpdateTextCount> t;
        for (int i = 0; i < UpdateTextCount; ++i)
            t[i] = QString::fromUtf8(Entries[i].english);
        return t;
    }();
    return texts;
}

bool WriteDefaults(platform::IniFile& ini) {
    ini.setBool(Section, "Flag", true);
    for (int i = 0; i < UpdateTextCount; ++i)
        ini.setString(Section, Entries[i].key,
                      MultiLanguages::EncodeLanguageText(Current()[i]).toStdString());
    return ini.save();
}

} // namespace

const QString& Text(UpdateTextId id) {
    return Current()[id];
}

const char* KeyName(UpdateTextId id) {
    return Entries[id].key;
}

void ResetTexts() {
    for (int i = 0; i < UpdateTextCount; ++i)
        Current()[i] = QString::fromUtf8(Entries[i].english);
}

std::optional<QString> LoadTexts(const std::filesystem::path& programDir) {
    std::error_code ec;
    const std::filesystem::path config = programDir / "config.ini";
    if (!std::filesystem::is_regular_file(config, ec))
        return std::nullopt;
    const platform::IniFile cfg(config);
    std::string folder = cfg.readString("Config", "LanguagePath", "langs");
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    const std::filesystem::path file =
        programDir / (folder + cfg.readString("Config", "LanguageFile", "english.ini"));

    platform::IniFile ini(file);
    const bool exists = std::filesystem::exists(file, ec);
    if (!exists || !ini.readBool(Section, "Flag", false)) {
        std::filesystem::create_directories(file.parent_path(), ec);
        if (!WriteDefaults(ini))
            return QStringLiteral("Cannot write the language file %1")
                .arg(QString::fromStdString(file.string()));
    }
    if (!ini.reload())
        return QStringLiteral("Cannot read the language file %1")
            .arg(QString::fromStdString(file.string()));
    for (int i = 0; i < UpdateTextCount; ++i) {
        const std::string value =
            ini.readString(Section, Entries[i].key, Current()[i].toStdString());
        Current()[i] = MultiLanguages::DecodeLanguageText(QString::fromStdString(value));
    }
    return std::nullopt;
}

} // namespace updater
