#include "jobs/DataLayout.h"

#include "discengine/Disc.h"

namespace fs = std::filesystem;

namespace jobs {

bool AddFolderTree(discengine::IFileLayoutX& layout, const fs::path& folder, const std::string& at,
                   const discengine::SkippedEntryHandler& skipped) {
    return discengine::AddSourceTree(layout, folder, at, skipped);
}

void AddDiscTree(discengine::IDiscVolume& volume, discengine::IFileLayoutX& layout,
                 std::string letter, const std::string& folder, const std::string& at) {
    for (const auto& entry : volume.List(folder)) {
        std::string from = (folder == "\\" ? "" : folder) + "\\" + entry.name;
        std::string path = at + "\\" + entry.name;
        if (entry.isFolder) {
            layout.AddItem(entry.name, path);
            AddDiscTree(volume, layout, letter, from, path);
        } else {
            layout.AddItem(letter + ":" + from, path);
        }
    }
}

bool AddSourceToImage(discengine::IDVDEngineX& engine, discengine::IFileLayoutX& layout,
                      const std::string& source, const discengine::SkippedEntryHandler& skipped) {
    if (auto drivePath = discengine::ParseDrivePath(source)) {
        auto device = engine.FindDevice(drivePath->letter);
        if (!device)
            throw discengine::EngineError("There is no drive " + source.substr(0, 2));
        auto volume = device->Volume();
        auto entry = volume->Stat(drivePath->path);
        if (!entry)
            throw discengine::EngineError(source + " does not exist");
        if (entry->isFolder)
            AddDiscTree(*volume, layout, std::string(1, drivePath->letter), drivePath->path, "");
        else
            layout.AddItem(source, "\\" + entry->name);
        return false;
    }
    fs::path path(source);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return AddFolderTree(layout, path, "", skipped);
    if (!fs::is_regular_file(path, ec))
        throw discengine::EngineError(source + " does not exist");
    layout.AddItem(fs::absolute(path).string(),
                   "\\" + discengine::ImageNameOf(path.filename().string()));
    return false;
}

} // namespace jobs
