#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace discengine {

class IDeviceX;

// A file or folder of a data image's layout. Image paths are backslash-separated, root "\".
class IDataItemX {
public:
    virtual ~IDataItemX() = default;
    virtual std::string Name() const = 0;
    virtual std::string ImagePath() const = 0;
    virtual std::string SourcePath() const = 0; // native path; empty for a created folder
    virtual bool IsFolder() const = 0;
    virtual std::uint64_t Size() const = 0;
    virtual std::chrono::system_clock::time_point FileDate() const = 0;
    virtual std::int32_t ChildCount() const = 0;
    virtual std::shared_ptr<IDataItemX> Child(std::int32_t index) const = 0;
};

class IFileLayoutX {
public:
    virtual ~IFileLayoutX() = default;
    virtual std::shared_ptr<IDataItemX> Root() = 0;
    // Null when the path is not in the layout; the root for "\".
    virtual std::shared_ptr<IDataItemX> FindItem(const std::string& imagePath) = 0;
    // Empty source: an empty folder at imagePath. A bare folder name: the folder a tree import
    // needs. A native file path: that file at imagePath.
    virtual std::shared_ptr<IDataItemX> AddItem(const std::string& source,
                                                const std::string& imagePath) = 0;
    virtual bool RenameFile(const std::string& imagePath, const std::string& newName) = 0;
    virtual bool RenameFolder(const std::string& imagePath, const std::string& newName) = 0;
    virtual bool RemoveItem(const std::string& imagePath) = 0;
    virtual void Clear() = 0;
};

class IVolumeInfoX {
public:
    virtual ~IVolumeInfoX() = default;
    virtual std::string Label() const = 0;
    virtual void SetLabel(const std::string& label) = 0;
};

// The data image: a compilation (or a loaded image file) written to a drive or an image file.
// Write calls return at once whether the job started; progress comes as engine events.
class IDataImageX {
public:
    virtual ~IDataImageX() = default;
    virtual std::int32_t ImageId() const = 0; // lImageID of the events
    virtual std::shared_ptr<IFileLayoutX> Layout() = 0;
    virtual std::shared_ptr<IVolumeInfoX> Volume() = 0;
    virtual void SetFileSystems(std::int32_t fileSystemBits) = 0;
    virtual void SetMode2XA(bool on) = 0;
    virtual void SetUseFileDate(bool on) = 0;
    virtual void SetWriteSpeed(std::int32_t speedKBs) = 0;
    virtual void SetCacheFiles(bool on) = 0;
    virtual void SetTestMode(bool on) = 0;
    virtual void SetFinalize(bool on) = 0;
    virtual void SetBufferProtect(bool on) = 0;
    virtual void SetAutoVerify(bool on) = 0;
    virtual void SetWriteMode(std::int32_t mode) = 0;
    virtual void SetWriteKind(std::int32_t kind) = 0;
    virtual void SetReadKind(std::int32_t kind) = 0;
    virtual std::int32_t WriteSpeedSetting() const = 0;
    virtual std::int32_t BlockSize() const = 0;
    virtual std::uint64_t ImageSize() = 0; // bytes
    virtual bool LoadImageFile(const std::filesystem::path& file, std::int32_t fileSystemBits) = 0;
    virtual bool WriteToDevice(std::shared_ptr<IDeviceX> device) = 0;
    virtual bool WriteToImageFile(const std::filesystem::path& file) = 0;
    virtual bool WriteImageFileToDevice(const std::filesystem::path& file,
                                        std::shared_ptr<IDeviceX> device) = 0;
    virtual void Cancel() = 0;
};

} // namespace discengine
