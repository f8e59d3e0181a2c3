#include "jobs/DataLayout.h"

#include "discengine/Disc.h"

namespace fs = std::filesystem;

namespace jobs {

void AddFolderTree(discengine::IFileLayoutX& layout, const fs::path& folder,
                   const std::string& at) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        std::string path = at + "\\" + name;
        if (entry.is_directory() && !entry.is_symlink()) {
            layout.AddItem(name, path);
            AddFolderTree(layout, entry.path(), path);
        } else if (entry.is_regular_file()) {
            layout.AddItem(entry.path().string(), path);
        }
    }
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

void AddSourceToImage(discengine::IDVDEngineX& engine, discengine::IFileLayoutX& layout,
                      const std::string& source) {
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
        return;
    }
    fs::path path(source);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        AddFolderTree(layout, path, "");
    else if (fs::is_regular_file(path, ec))
        layout.AddItem(fs::absolute(path).string(), "\\" + path.filename().string());
    else
        throw discengine::EngineError(source + " does not exist");
}

} // namespace jobs
