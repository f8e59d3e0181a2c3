#pragma once

#include <QString>
#include <filesystem>
#include <optional>

// The updater's texts: section "Update" of the program's language file.
enum UpdateTextId : int {
    IDS_UPDATE_Title,
    IDS_UPDATE_BUTTON_Start,
    IDS_UPDATE_BUTTON_Stop,
    IDS_UPDATE_STATUS_Stop,
    IDS_UPDATE_STATUS_Checking,
    IDS_UPDATE_STATUS_Found,
    IDS_UPDATE_STATUS_Newest,
    IDS_UPDATE_STATUS_Resetup,
    IDS_UPDATE_STATUS_Downloading,
    IDS_UPDATE_STATUS_Unzipping,
    IDS_UPDATE_STATUS_Success,
    IDS_UPDATE_STATUS_Error,
    IDS_UPDATE_MSG_Update,
    UpdateTextCount
};

namespace updater {

const QString& Text(UpdateTextId id);
const char* KeyName(UpdateTextId id);
void ResetTexts();

// Loads the texts for the program folder: with a config.ini the language file it names is read
// (its "Update" section written first when missing or unmarked); without one the English texts
// stay and no file is touched. An error text when the language file can't be written or read.
std::optional<QString> LoadTexts(const std::filesystem::path& programDir);

} // namespace updater
