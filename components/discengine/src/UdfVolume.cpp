// The volume layer for UDF discs: folders walked with libudf, file data located through the
// file entry libudf hands over and read with libudf's sector reads. Every extent is checked
// against the partition and the image before a block is read, so a hostile disc cannot send a
// read outside the image.
#include "DriveState.h"
#include "VolumeCommon.h"
#include "discengine/Errors.h"

#include <cctype>
#include <cdio/ecma_167.h>
#include <cdio/udf.h>
#include <cstring>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

namespace discengine::volume {
namespace {

struct UdfCloser {
    void operator()(udf_t* udf) const { udf_close(udf); }
};
struct DirentFree {
    void operator()(udf_dirent_t* d) const { udf_dirent_free(d); }
};
using DirentPtr = std::unique_ptr<udf_dirent_t, DirentFree>;

constexpr std::uint32_t kBlock = 2048;
constexpr std::uint16_t kTagFileEntry = 261;
constexpr std::uint32_t kExtentLengthMask = 0x3FFFFFFF;
// The directory listings libudf reads in one piece are kept to a sane size.
constexpr std::uint64_t kMaxFolderBytes = 64u << 20;
constexpr int kMaxReadBlocks = 64;

// One piece of a file: `bytes` at partition block `block`, or zeros for an unrecorded extent.
struct Extent {
    std::uint32_t block = 0;
    std::uint32_t bytes = 0;
    bool recorded = true;
};

// Where a file's bytes are: extents, or (small files) the bytes inside the file entry itself.
struct FileData {
    std::vector<Extent> extents;
    std::string embedded;
    bool isEmbedded = false;
    std::uint64_t size = 0;
};

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

class UdfVolume final : public IDiscVolume {
public:
    explicit UdfVolume(const fs::path& image) {
        std::error_code ec;
        size_ = fs::file_size(image, ec);
        imageBlocks_ = size_ / kBlock;
        QuietLibcdio();
        udf_.reset(udf_open(image.c_str()));
        if (!udf_)
            throw EngineError("The data disc has neither an ISO9660 nor a UDF volume");
        // udf_get_root also finds the partition and the logical volume for libudf.
        DirentPtr root(udf_get_root(udf_.get(), true, 0));
        if (!root)
            throw EngineError("The UDF root folder cannot be read");
        FindPartition();
        CheckFolder(root.get(), "\\"); // libudf reads a folder's listing in one piece
        char id[256] = {};
        if (udf_get_volume_id(udf_.get(), id, sizeof id - 1) > 0)
            label_ = Latin1ToUtf8(id);
    }

    std::string Label() const override { return label_; }
    std::uint64_t TotalSize() const override { return size_; }

    std::vector<VolumeEntry> List(const std::string& folder) const override {
        std::lock_guard lock(mutex_);
        std::vector<VolumeEntry> entries;
        for (const auto& e : ListingOf(folder))
            entries.push_back(e.entry);
        return entries;
    }

    std::optional<VolumeEntry> Stat(const std::string& path) const override {
        std::lock_guard lock(mutex_);
        if (SplitPath(path).empty())
            return VolumeEntry{"", true, 0, {}};
        try {
            return Find(path).entry;
        } catch (const EngineError&) {
            return std::nullopt;
        }
    }

    bool ReadFile(const std::string& path,
                  const std::function<bool(const char*, std::size_t)>& sink) const override {
        std::lock_guard lock(mutex_);
        const Entry& e = Find(path);
        if (e.entry.isFolder)
            throw EngineError("No file " + path + " on the disc");
        if (!e.data)
            throw EngineError(e.entry.problem);
        return Stream(*e.data, path, sink);
    }

    void CopyFile(const std::string& path, const fs::path& target) const override {
        CopyThroughTemp(*this, path, target);
    }

private:
    // The partition's first block and length, from the partition descriptor of the main volume
    // descriptor sequence the anchor points to.
    void FindPartition() {
        anchor_vol_desc_ptr_t anchor{};
        std::uint8_t block[kBlock];
        if (udf_read_sectors(udf_.get(), block, 256, 1) != DRIVER_OP_SUCCESS)
            throw EngineError("The UDF anchor cannot be read");
        std::memcpy(&anchor, block, sizeof anchor);
        std::uint32_t start = anchor.main_vol_desc_seq_ext.loc;
        std::uint32_t count =
            std::min<std::uint32_t>(anchor.main_vol_desc_seq_ext.len / kBlock, 64);
        for (std::uint32_t i = 0; i < count && start + i < imageBlocks_; ++i) {
            if (udf_read_sectors(udf_.get(), block, start + i, 1) != DRIVER_OP_SUCCESS)
                break;
            if (Le16(block) != TAGID_PARTITION)
                continue;
            partitionStart_ = Le32(block + 188);
            partitionBlocks_ = Le32(block + 192);
            if (partitionStart_ >= imageBlocks_)
                throw EngineError("The UDF partition lies outside the disc");
            partitionBlocks_ = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(partitionBlocks_, imageBlocks_ - partitionStart_));
            return;
        }
        throw EngineError("The UDF volume has no partition");
    }

    static VolumeEntry EntryOf(udf_dirent_t* d) {
        VolumeEntry e;
        const char* name = udf_get_filename(d);
        e.name = SanitiseName(Latin1ToUtf8(name ? name : ""));
        e.isFolder = udf_is_dir(d);
        e.size = e.isFolder ? 0 : static_cast<std::uint64_t>(udf_get_file_length(d));
        e.created = FromTimeT(udf_get_modification_time(d));
        return e;
    }

    // Where the file entry's bytes are, every piece checked against the partition.
    FileData Locate(udf_dirent_t* d, const std::string& path) const {
        udf_file_entry_t fe;
        if (!udf_get_file_entry(d, &fe) || fe.tag.id != kTagFileEntry)
            throw EngineError("The file " + path + " has an unreadable file entry");
        FileData data;
        data.size = fe.info_len;
        // Checked before anything is computed from it: a size beyond the disc is hostile.
        if (data.size > size_)
            throw EngineError("The file " + path + " claims " + std::to_string(data.size) +
                              " bytes, more than the disc holds");
        const std::uint32_t eaBytes = fe.i_extended_attr, adBytes = fe.i_alloc_descs;
        const std::uint32_t room = sizeof fe.u;
        if (eaBytes > room || adBytes > room - eaBytes)
            throw EngineError("The file " + path + " has a corrupt file entry");
        const std::uint8_t* ads = fe.u.pad_to_one_block + eaBytes;
        const unsigned kind = fe.icb_tag.flags & ICBTAG_FLAG_AD_MASK;
        if (kind == ICBTAG_FLAG_AD_IN_ICB) {
            if (data.size > adBytes)
                throw EngineError("The file " + path + " is larger than its file entry");
            data.isEmbedded = true;
            data.embedded.assign(reinterpret_cast<const char*>(ads), data.size);
            return data;
        }
        if (kind != ICBTAG_FLAG_AD_SHORT && kind != ICBTAG_FLAG_AD_LONG)
            throw EngineError("The file " + path + " uses an allocation the engine cannot read");
        const std::uint32_t step = kind == ICBTAG_FLAG_AD_SHORT ? 8 : 16;
        std::uint64_t covered = 0;
        for (std::uint32_t at = 0; at + step <= adBytes && covered < data.size; at += step) {
            std::uint32_t raw = Le32(ads + at);
            std::uint32_t type = raw >> 30;
            Extent e;
            e.bytes = raw & kExtentLengthMask;
            e.block = Le32(ads + at + 4);
            if (e.bytes == 0)
                break;
            if (type == 3)
                throw EngineError("The file " + path +
                                  " continues its allocation elsewhere, "
                                  "which the engine does not read");
            e.recorded = type == 0;
            std::uint64_t blocks = (static_cast<std::uint64_t>(e.bytes) + kBlock - 1) / kBlock;
            if (e.recorded && static_cast<std::uint64_t>(e.block) + blocks > partitionBlocks_)
                throw EngineError("The file " + path + " extends past the end of the disc");
            data.extents.push_back(e);
            covered += e.bytes;
        }
        if (covered < data.size)
            throw EngineError("The file " + path + " is larger than its recorded data");
        return data;
    }

    bool Stream(const FileData& data, const std::string& path,
                const std::function<bool(const char*, std::size_t)>& sink) const {
        if (data.isEmbedded)
            return data.size == 0 || sink(data.embedded.data(), data.embedded.size());
        std::vector<char> buffer(static_cast<std::size_t>(kMaxReadBlocks) * kBlock);
        std::uint64_t left = data.size;
        for (const Extent& e : data.extents) {
            std::uint64_t inExtent = std::min<std::uint64_t>(e.bytes, left);
            std::uint32_t block = partitionStart_ + e.block;
            while (inExtent > 0) {
                auto blocks = static_cast<long>(
                    std::min<std::uint64_t>(kMaxReadBlocks, (inExtent + kBlock - 1) / kBlock));
                std::size_t bytes =
                    std::min<std::uint64_t>(inExtent, static_cast<std::uint64_t>(blocks) * kBlock);
                if (!e.recorded)
                    std::memset(buffer.data(), 0, bytes);
                else if (udf_read_sectors(udf_.get(), buffer.data(), block, blocks) !=
                         DRIVER_OP_SUCCESS)
                    throw EngineError("Read error in " + path);
                if (!sink(buffer.data(), bytes))
                    return false;
                inExtent -= bytes;
                left -= bytes;
                block += static_cast<std::uint32_t>(blocks);
            }
            if (left == 0)
                break;
        }
        return true;
    }

    // A folder's listing is read by libudf in one piece: refuse folders whose recorded size
    // does not fit their data.
    void CheckFolder(udf_dirent_t* d, const std::string& name) const {
        FileData data = Locate(d, name);
        if (data.size > kMaxFolderBytes)
            throw EngineError("The folder " + name + " is too large");
    }

    // Calls visit for each entry of `folder`; stops when visit returns false.
    template <class Visit> void Walk(const std::string& folder, Visit&& visit) const {
        auto parts = SplitPath(folder);
        udf_dirent_t* dir = udf_get_root(udf_.get(), true, 0);
        if (!dir)
            throw EngineError("The UDF root folder cannot be read");
        std::size_t depth = 0;
        int guard = 0;
        // udf_readdir frees the listing when it reaches its end and returns null.
        while (udf_dirent_t* d = udf_readdir(dir)) {
            dir = d;
            if (++guard > 1000000) {
                udf_dirent_free(d);
                throw EngineError("The folder " + folder + " cannot be listed");
            }
            const char* raw = udf_get_filename(d);
            if (!raw || !*raw || std::strcmp(raw, "..") == 0 || std::strcmp(raw, ".") == 0)
                continue;
            std::string name = SanitiseName(Latin1ToUtf8(raw));
            if (name.empty())
                continue;
            if (depth == parts.size()) {
                bool more = false;
                try {
                    more = visit(d);
                } catch (...) {
                    udf_dirent_free(d);
                    throw;
                }
                if (!more) {
                    udf_dirent_free(d);
                    return;
                }
                continue;
            }
            if (udf_is_dir(d) && SameName(name, parts[depth])) {
                try {
                    CheckFolder(d, folder);
                } catch (...) {
                    udf_dirent_free(d);
                    throw;
                }
                udf_dirent_t* sub = udf_opendir(d);
                udf_dirent_free(d);
                if (!sub)
                    throw EngineError("No folder " + folder + " on the disc");
                dir = sub;
                ++depth;
                continue;
            }
        }
        if (depth != parts.size())
            throw EngineError("No folder " + folder + " on the disc");
    }

    // One entry of a folder as it was listed: a file's data located (or, in entry.problem, why
    // it cannot be read).
    struct Entry {
        VolumeEntry entry;
        std::optional<FileData> data;
    };

    // A folder's entries, read once: an image made from thousands of files on a disc looks each
    // of them up by path. Throws EngineError for a folder that is not there.
    const std::vector<Entry>& ListingOf(const std::string& folder) const {
        std::string key;
        for (const auto part : SplitPath(folder)) {
            key += '\\';
            for (char c : part)
                key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (auto it = listings_.find(key); it != listings_.end())
            return it->second;
        std::vector<Entry> entries;
        Walk(folder, [&](udf_dirent_t* d) {
            Entry e;
            e.entry = EntryOf(d);
            if (!e.entry.isFolder) {
                std::string path = (key.empty() ? "" : folder) + "\\" + e.entry.name;
                try {
                    e.data = Locate(d, path);
                } catch (const EngineError& error) {
                    // Listed, but with no size: nothing may be computed from its claim.
                    e.entry.size = 0;
                    e.entry.problem = error.what();
                }
            }
            entries.push_back(std::move(e));
            return true;
        });
        cachedEntries_ += entries.size();
        if (cachedEntries_ > kMaxCachedEntries) {
            listings_.clear();
            cachedEntries_ = entries.size();
        }
        return listings_.emplace(key, std::move(entries)).first->second;
    }

    // The entry `path` names; EngineError when there is none.
    const Entry& Find(const std::string& path) const {
        auto parts = SplitPath(path);
        if (parts.empty())
            throw EngineError("The root folder is no file");
        std::string parent;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            parent.append("\\").append(parts[i]);
        for (const auto& e : ListingOf(parent.empty() ? "\\" : parent))
            if (SameName(e.entry.name, parts.back()))
                return e;
        throw EngineError("No file " + path + " on the disc");
    }

    std::unique_ptr<udf_t, UdfCloser> udf_;
    static constexpr std::size_t kMaxCachedEntries = 1u << 20;
    mutable std::map<std::string, std::vector<Entry>> listings_;
    mutable std::size_t cachedEntries_ = 0;
    // libudf's handle and the listings are not safe for concurrent use.
    mutable std::mutex mutex_;
    std::string label_;
    std::uint64_t size_ = 0, imageBlocks_ = 0;
    std::uint32_t partitionStart_ = 0, partitionBlocks_ = 0;
};

} // namespace

std::shared_ptr<IDiscVolume> OpenUdfVolume(const fs::path& image) {
    return std::make_shared<UdfVolume>(image);
}

} // namespace discengine::volume
