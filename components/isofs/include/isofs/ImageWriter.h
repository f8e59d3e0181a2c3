#pragma once

#include "isofs/FileLayout.h"
#include "isofs/Sink.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace isofs {

// File-system flags: 1 ISO9660, 2 Joliet, 4 UDF. Valid sets: 1, 3, 4, 5, 7.
enum FileSystemFlag : int { fsIso9660 = 1, fsJoliet = 2, fsUdf = 4 };
bool isSupportedFileSystems(int flags);

constexpr std::uint32_t kBlockSize = 2048;

struct ImageOptions {
    int fileSystems = fsIso9660 | fsJoliet;
    std::string volumeLabel;       // UTF-8; each file system gets its own legal form
    bool useFileDate = false;      // source dates, else the write time
    bool mode2XA = false;          // CD-XA marking of the volume and its directory records
    bool ignoreUnreadable = false; // unreadable source extents are written as zeros
    std::int64_t writeTime = 0;    // seconds since the epoch; 0 = now
};

namespace detail {
struct PlanData;
}

// The complete layout of an image, computed before a single byte is written.
class ImagePlan {
public:
    // Snapshot of the layout; throws LayoutError (bad flags, too many folders, ...).
    static ImagePlan build(const FileLayout& layout, const ImageOptions& options);

    std::uint64_t imageBlocks() const; // exact image size in 2048-byte blocks
    std::uint64_t fileCount() const;
    const ImageOptions& options() const;
    // Names as they will appear, for an image path of the layout ("\" separated), or empty.
    std::string isoName(std::string_view imagePath) const;
    std::string jolietName(std::string_view imagePath) const; // UTF-8
    std::string udfName(std::string_view imagePath) const;    // UTF-8
    std::shared_ptr<const detail::PlanData> data() const { return data_; }

private:
    std::shared_ptr<const detail::PlanData> data_;
};

// A source that could not be read and was written as zeros (ignoreUnreadable).
struct SourceWarning {
    std::string sourcePath;
    std::string imagePath;
    int errnum = 0;
    std::string message;
};

class WriteObserver {
public:
    virtual ~WriteObserver() = default;
    virtual void progress(std::uint64_t /*blocksWritten*/, std::uint64_t /*totalBlocks*/) {}
    // Before the data of file index (0-based) of count starts.
    virtual void fileStarted(std::uint64_t /*index*/, std::uint64_t /*count*/,
                             const std::string& /*imagePath*/, const std::string& /*sourcePath*/) {}
    virtual void warning(const SourceWarning& /*warning*/) {}
};

struct WriteResult {
    enum class Status { Completed, Cancelled, SourceFailed, OutputFailed };
    Status status = Status::Completed;
    std::string message;    // why it failed
    std::string sourcePath; // SourceFailed: which file
    std::string imagePath;  // SourceFailed: its place in the image
    int errnum = 0;
    std::uint64_t blocksWritten = 0;
    std::vector<SourceWarning> warnings;
};

// Streams the image: metadata generated on the fly, file data copied from the sources in large
// blocks. cancel is checked between blocks.
WriteResult writeImage(const ImagePlan& plan, const SourceOpener& opener, OutputSink& sink,
                       WriteObserver* observer = nullptr,
                       const std::atomic<bool>* cancel = nullptr);

// writeImage into a TargetFile: the target appears only when the write completed.
WriteResult writeImageFile(const ImagePlan& plan, const SourceOpener& opener,
                           const std::filesystem::path& target, WriteObserver* observer = nullptr,
                           const std::atomic<bool>* cancel = nullptr);

} // namespace isofs
