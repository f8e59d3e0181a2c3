#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace discengine {

// One entry of a disc folder.
struct VolumeEntry {
    std::string name; // UTF-8, never contains '/' or '\' and is never "." or ".."
    bool isFolder = false;
    std::uint64_t size = 0;
    std::chrono::system_clock::time_point created{};
    // Why the entry cannot be read (a file claiming more than the disc holds, data outside the
    // disc, an allocation the engine does not read), as a sentence; its size is then 0 and reads
    // and copies fail with this text.
    std::string problem = {};
};

// Where all of a file's bytes lie, in order, in a native file the volume reads from: for readers
// that copy in the kernel. `fd` stays open as long as the volume.
struct NativeExtent {
    int fd = -1;
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    // The extent starts on a 2048-byte block and its last block lies whole in the file (a disc
    // image's file): readers may copy whole blocks.
    bool wholeBlocks = false;
};

// The file system of a loaded medium. Paths are the part after "X:", backslash-separated
// ("\", "\docs\a.txt"); '/' is accepted as a separator too. Data discs are read with libcdio
// (ISO9660 with Joliet names when present, else UDF); an audio disc shows Track01.cda ... at its
// root. Every call throws EngineError on a missing path or an unreadable/hostile volume.
class IDiscVolume {
public:
    virtual ~IDiscVolume() = default;
    virtual std::string Label() const = 0;
    virtual std::uint64_t TotalSize() const = 0; // bytes
    virtual std::vector<VolumeEntry> List(const std::string& folder) const = 0;
    virtual std::optional<VolumeEntry> Stat(const std::string& path) const = 0;
    virtual bool Exists(const std::string& path) const { return Stat(path).has_value(); }
    // Streams the file's bytes in order to `sink`; a sink returning false stops the read
    // (the call then returns false).
    virtual bool
    ReadFile(const std::string& path,
             const std::function<bool(const char* data, std::size_t size)>& sink) const = 0;
    // Copies the file to a native path through a temporary file and a rename, so a failed copy
    // leaves no partial target.
    virtual void CopyFile(const std::string& path, const std::filesystem::path& target) const = 0;
    // The file's bytes as one range of a native file, when the volume has them so (a file of
    // one extent on an image); nothing otherwise. Throws as Stat does.
    virtual std::optional<NativeExtent> NativeExtentOf(const std::string& /*path*/) const {
        return std::nullopt;
    }
    // Throws MediumGoneError when the disc is no longer there: a reader of native extents
    // calls it between pieces, as ReadFile checks between its own.
    virtual void CheckMedium() const {}
};

// "D:\a\b.txt" -> {'D', "\a\b.txt"}; "D:" -> {'D', "\"}. Nothing for other texts.
struct DrivePath {
    char letter = 0; // upper case
    std::string path;
};
std::optional<DrivePath> ParseDrivePath(const std::string& text);

} // namespace discengine
