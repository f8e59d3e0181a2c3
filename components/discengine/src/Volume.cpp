// The volume layer for "X:\..." paths: ISO9660 (Joliet names when present) through libiso9660,
// UDF through libudf, and the Track01.cda entries of an audio disc.
#include "discengine/Volume.h"
#include "DiscModel.h"
#include "DriveState.h"
#include "IsoRecords.h"
#include "StoreFiles.h"
#include "VirtualDevice.h"
#include "VolumeCommon.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "isofs/Errors.h"
#include "isofs/ImageReader.h"
#include "isofs/Sink.h"
#include "isofs/TargetFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cdio/iso9660.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine {

std::optional<DrivePath> ParseDrivePath(const std::string& text) {
    if (text.size() < 2 || !std::isalpha(static_cast<unsigned char>(text[0])) || text[1] != ':')
        return std::nullopt;
    DrivePath path;
    path.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    path.path = text.size() == 2 ? "\\" : text.substr(2);
    if (path.path[0] != '\\' && path.path[0] != '/')
        return std::nullopt;
    return path;
}

namespace volume {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

std::vector<std::string_view> SplitPath(const std::string& path) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        const std::string_view part(path.data() + start,
                                    (end == std::string::npos ? path.size() : end) - start);
        if (part == "." || part == "..")
            throw EngineError("Invalid disc path \"" + path + "\"");
        if (!part.empty())
            parts.emplace_back(part);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (parts.size() > kMaxDepth)
        throw EngineError("Disc path too deep: \"" + path + "\"");
    return parts;
}

std::string SanitiseName(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    if (name == "." || name == "..")
        return {};
    return name;
}

namespace {
char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
} // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    // Names are UTF-8: only ASCII letters have a case to ignore byte by byte (what tolower did
    // in the UTF-8 locale, without its call per byte: a lookup per file of a 5,000-file copy).
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

std::uint64_t FoldedNameHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name) {
        hash ^= static_cast<unsigned char>(FoldAscii(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

std::chrono::system_clock::time_point FromTimeT(std::time_t t) {
    return std::chrono::system_clock::from_time_t(t);
}

std::string Latin1ToUtf8(const std::string& text) {
    return isofs::latin1ToUtf8(text);
}

void CopyThroughTemp(const IDiscVolume& volume, const std::string& path, const fs::path& target) {
    const std::string what = "Cannot copy " + path + " to " + target.string();
    try {
        isofs::TargetFile file(target);
        {
            isofs::FdSink sink(file.fd(), 1u << 20);
            volume.ReadFile(path, [&](const char* data, std::size_t n) {
                sink.write(data, n);
                return true;
            });
            sink.flush();
        }
        file.commit();
    } catch (const isofs::OutputError& e) {
        throw EngineError(what + ": " + std::strerror(e.errnum()));
    }
}

} // namespace volume

namespace {

using namespace volume;

// ---- audio discs ----------------------------------------------------------------------------

class AudioVolume final : public IDiscVolume {
public:
    AudioVolume(std::vector<std::int32_t> starts, std::vector<std::int32_t> lengths,
                std::chrono::system_clock::time_point created)
        : starts_(std::move(starts)), lengths_(std::move(lengths)), created_(created) {}

    std::string Label() const override { return "Audio CD"; }
    std::uint64_t TotalSize() const override {
        std::uint64_t frames = 0;
        for (auto l : lengths_)
            frames += static_cast<std::uint64_t>(l);
        return frames * 2352;
    }
    std::vector<VolumeEntry> List(const std::string& folder) const override {
        if (!SplitPath(folder).empty())
            throw EngineError("No folder " + folder + " on an audio disc");
        std::vector<VolumeEntry> entries;
        for (std::size_t i = 0; i < lengths_.size(); ++i)
            entries.push_back({NameOf(i), false, 44, created_});
        return entries;
    }
    std::optional<VolumeEntry> Stat(const std::string& path) const override {
        auto parts = SplitPath(path);
        if (parts.empty())
            return VolumeEntry{"", true, 0, created_};
        if (parts.size() != 1)
            return std::nullopt;
        for (std::size_t i = 0; i < lengths_.size(); ++i)
            if (SameName(parts[0], NameOf(i)))
                return VolumeEntry{NameOf(i), false, 44, created_};
        return std::nullopt;
    }
    bool ReadFile(const std::string& path,
                  const std::function<bool(const char*, std::size_t)>& sink) const override {
        auto parts = SplitPath(path);
        for (std::size_t i = 0; parts.size() == 1 && i < lengths_.size(); ++i)
            if (SameName(parts[0], NameOf(i))) {
                std::string cda = CdaFile(i);
                return sink(cda.data(), cda.size());
            }
        throw EngineError("No file " + path + " on the audio disc");
    }
    void CopyFile(const std::string& path, const fs::path& target) const override {
        CopyThroughTemp(*this, path, target);
    }

private:
    static std::string NameOf(std::size_t i) {
        char name[40];
        std::snprintf(name, sizeof name, "Track%02zu.cda", i + 1);
        return name;
    }
    // The 44-byte RIFF "CDDA" stub that stands for a track in a folder listing.
    std::string CdaFile(std::size_t i) const {
        std::string f(44, '\0');
        auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int b = 0; b < 4; ++b)
                f[at + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
        };
        auto msf = [](std::uint32_t frames) {
            return (frames % 75) | (((frames / 75) % 60) << 8) | ((frames / 4500) << 16);
        };
        std::memcpy(f.data(), "RIFF", 4);
        put32(4, 36);
        std::memcpy(f.data() + 8, "CDDAfmt ", 8);
        put32(16, 24);
        f[20] = 1; // format version
        f[22] = static_cast<char>(i + 1);
        put32(24, 0x504C5459u); // serial number
        put32(28, static_cast<std::uint32_t>(starts_[i]));
        put32(32, static_cast<std::uint32_t>(lengths_[i]));
        put32(36, msf(static_cast<std::uint32_t>(starts_[i] + 150)));
        put32(40, msf(static_cast<std::uint32_t>(lengths_[i])));
        return f;
    }

    std::vector<std::int32_t> starts_, lengths_;
    std::chrono::system_clock::time_point created_;
};

// ---- ISO9660 / Joliet ------------------------------------------------------------------------

struct IsoCloser {
    void operator()(iso9660_t* iso) const { iso9660_close(iso); }
};
struct ListCloser {
    void operator()(CdioISO9660FileList_t* list) const { iso9660_filelist_free(list); }
};

struct IsoExtent {
    lsn_t lsn = 0;
    std::uint32_t bytes = 0;
};

struct IsoNode {
    VolumeEntry entry;
    lsn_t lsn = 0;
    std::vector<IsoExtent> extents; // files: one, or several for a file over 4 GiB
};

class IsoVolume final : public IDiscVolume {
public:
    explicit IsoVolume(const fs::path& image) : image_(image) {
        iso_.reset(iso9660_open_ext(image.c_str(), ISO_EXTENSION_JOLIET_LEVEL3));
        if (!iso_)
            throw EngineError("The data disc has no readable ISO9660 volume");
        // A second handle for in-kernel copies and positioned reads; a device node gets none.
        const int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            fd_.reset(fd);
        else if (fd >= 0)
            ::close(fd);
        joliet_ = iso9660_ifs_get_joliet_level(iso_.get()) > 0;
        std::error_code ec;
        imageBlocks_ = static_cast<std::int64_t>(fs::file_size(image, ec) / ISO_BLOCKSIZE);
        iso9660_pvd_t pvd;
        if (iso9660_ifs_read_pvd(iso_.get(), &pvd))
            totalBlocks_ = iso9660_get_pvd_space_size(&pvd);
        char* id = nullptr;
        if (iso9660_ifs_get_volume_id(iso_.get(), &id) && id) {
            label_ = id;
            while (!label_.empty() && label_.back() == ' ')
                label_.pop_back();
        }
        std::free(id);
        // The root's own extent, for loop detection.
        auto* root = iso9660_ifs_stat(iso_.get(), "/");
        if (!root)
            throw EngineError("The data disc's root folder cannot be read");
        rootLsn_ = root->lsn;
        root_.entry.isFolder = true;
        root_.lsn = rootLsn_;
        folderBytes_[rootLsn_] = root->size;
        const bool rootFits = Inside(root->lsn, root->size) && root->size <= kMaxFolderBytes;
        iso9660_stat_free(root);
        if (!rootFits)
            throw EngineError("The data disc's root folder lies outside the disc");
    }

    std::string Label() const override { return label_; }
    std::uint64_t TotalSize() const override {
        return static_cast<std::uint64_t>(totalBlocks_) * ISO_BLOCKSIZE;
    }
    std::vector<VolumeEntry> List(const std::string& folder) const override {
        std::lock_guard lock(mutex_);
        auto node = Resolve(folder);
        if (!node || !node->entry.isFolder)
            throw EngineError("No folder " + folder + " on the disc");
        if (!node->entry.problem.empty())
            throw EngineError(node->entry.problem);
        std::vector<VolumeEntry> entries;
        for (const auto& child : Children(node->lsn).nodes)
            entries.push_back(child.entry);
        return entries;
    }
    std::optional<VolumeEntry> Stat(const std::string& path) const override {
        std::lock_guard lock(mutex_);
        auto node = Resolve(path);
        if (!node)
            return std::nullopt;
        return node->entry;
    }
    bool ReadFile(const std::string& path,
                  const std::function<bool(const char*, std::size_t)>& sink) const override {
        std::lock_guard lock(mutex_);
        auto node = Resolve(path);
        if (!node || node->entry.isFolder)
            throw EngineError("No file " + path + " on the disc");
        if (!node->entry.problem.empty())
            throw EngineError(node->entry.problem);
        std::vector<char> buffer(64 * ISO_BLOCKSIZE);
        for (const auto& extent : node->extents) {
            std::uint64_t size = extent.bytes;
            lsn_t lsn = extent.lsn;
            while (size > 0) {
                std::int64_t n = std::min<std::int64_t>(
                    64, static_cast<std::int64_t>((size + ISO_BLOCKSIZE - 1) / ISO_BLOCKSIZE));
                if (iso9660_iso_seek_read(iso_.get(), buffer.data(), lsn, n) !=
                    static_cast<long>(n * ISO_BLOCKSIZE))
                    throw EngineError("Read error in " + path);
                std::size_t bytes =
                    std::min<std::uint64_t>(size, static_cast<std::uint64_t>(n) * ISO_BLOCKSIZE);
                if (!sink(buffer.data(), bytes))
                    return false;
                size -= bytes;
                lsn += static_cast<lsn_t>(n);
            }
        }
        return true;
    }
    void CopyFile(const std::string& path, const fs::path& target) const override {
        CopyThroughTemp(*this, path, target);
    }
    std::optional<NativeExtent> NativeExtentOf(const std::string& path) const override {
        std::lock_guard lock(mutex_);
        auto node = Resolve(path);
        if (!fd_ || !node || node->entry.isFolder || !node->entry.problem.empty() ||
            node->extents.size() > 1)
            return std::nullopt;
        NativeExtent extent;
        extent.fd = fd_.get();
        if (!node->extents.empty()) {
            extent.offset = static_cast<std::uint64_t>(node->extents[0].lsn) * ISO_BLOCKSIZE;
            extent.bytes = node->extents[0].bytes;
            extent.wholeBlocks = true; // extents are block numbers checked against the image
        }
        return extent;
    }

private:
    // A folder's entries, read once, with an index by name: an image made from thousands of
    // files on a disc looks each of them up by path.
    struct Listing {
        std::vector<IsoNode> nodes;
        std::vector<std::pair<std::uint64_t, std::uint32_t>> byName; // (FoldedNameHash, index)

        const IsoNode* Find(std::string_view name) const {
            const std::uint64_t hash = FoldedNameHash(name);
            for (auto it = std::lower_bound(byName.begin(), byName.end(),
                                            std::make_pair(hash, std::uint32_t{0}));
                 it != byName.end() && it->first == hash; ++it)
                if (SameName(nodes[it->second].entry.name, name))
                    return &nodes[it->second];
            return nullptr;
        }
    };

    // Valid until the next folder is read.
    const Listing& Children(lsn_t folderLsn) const {
        auto it = listings_.find(folderLsn);
        if (it != listings_.end())
            return it->second;
        Listing listing;
        listing.nodes = ReadChildren(folderLsn);
        // A folder names each entry once: the first of two alike is the one found, as a scan
        // in disc order would.
        listing.byName.reserve(listing.nodes.size());
        for (std::uint32_t i = 0; i < listing.nodes.size(); ++i)
            listing.byName.emplace_back(FoldedNameHash(listing.nodes[i].entry.name), i);
        std::sort(listing.byName.begin(), listing.byName.end());
        cachedEntries_ += listing.nodes.size();
        if (cachedEntries_ > kMaxCachedEntries) {
            listings_.clear();
            cachedEntries_ = listing.nodes.size();
        }
        return listings_.emplace(folderLsn, std::move(listing)).first->second;
    }

    std::vector<IsoNode> ReadChildren(lsn_t folderLsn) const {
        return joliet_ ? ReadJolietChildren(folderLsn) : ReadIsoChildren(folderLsn);
    }

    // Joliet folders are read by their extent, their records parsed here.
    std::vector<IsoNode> ReadJolietChildren(lsn_t folderLsn) const {
        const auto size = folderBytes_.find(folderLsn);
        if (size == folderBytes_.end())
            throw EngineError("Unknown folder on the disc");
        const auto blocks = static_cast<long>((size->second + ISO_BLOCKSIZE - 1) / ISO_BLOCKSIZE);
        std::vector<unsigned char> bytes(static_cast<std::size_t>(blocks) * ISO_BLOCKSIZE);
        if (blocks > 0 && iso9660_iso_seek_read(iso_.get(), bytes.data(), folderLsn, blocks) !=
                              blocks * ISO_BLOCKSIZE)
            throw EngineError("A folder of the disc cannot be read");
        std::vector<IsoNode> nodes;
        std::string previous;
        for (auto& record : iso::ReadJolietFolder(bytes.data(), bytes.size()))
            AddRecord(nodes, previous, record.name, record.name, record.isFolder,
                      static_cast<lsn_t>(record.lsn), record.bytes, record.recorded, folderLsn);
        return nodes;
    }

    std::vector<IsoNode> ReadIsoChildren(lsn_t folderLsn) const {
        // libiso9660 lists by path; we walk by extent so hostile names cannot redirect us.
        std::vector<IsoNode> nodes;
        std::unique_ptr<CdioISO9660FileList_t, ListCloser> list(
            iso9660_ifs_readdir(iso_.get(), PathOf(folderLsn).c_str()));
        if (!list)
            throw EngineError("A folder of the disc cannot be read");
        std::string previous;
        for (CdioListNode_t* n = _cdio_list_begin(list.get()); n; n = _cdio_list_node_next(n)) {
            auto* stat = static_cast<iso9660_stat_t*>(_cdio_list_node_data(n));
            std::string raw = stat->filename;
            if (raw == "." || raw == ".." || raw == std::string(1, '\0') ||
                raw == std::string(1, '\1'))
                continue;
            std::vector<char> translated(raw.size() + 1);
            iso9660_name_translate_ext(raw.c_str(), translated.data(), 0);
            struct tm tm = stat->tm;
            AddRecord(nodes, previous, raw, translated.data(),
                      stat->type == iso9660_stat_s::_STAT_DIR, stat->lsn, stat->size, timegm(&tm),
                      folderLsn);
        }
        return nodes;
    }

    // One record of a folder: a new entry, or the next extent of a file over 4 GiB (recorded
    // as records of the same name one after another).
    void AddRecord(std::vector<IsoNode>& nodes, std::string& previous, const std::string& raw,
                   std::string name, bool folder, lsn_t lsn, std::uint32_t bytes,
                   std::time_t created, lsn_t parent) const {
        if (!folder && raw == previous && !nodes.empty() && !nodes.back().entry.isFolder) {
            AddExtent(nodes.back(), lsn, bytes);
            return;
        }
        previous = raw;
        name = SanitiseName(std::move(name));
        if (name.empty())
            return;
        IsoNode node;
        node.entry.name = std::move(name);
        node.entry.isFolder = folder;
        node.entry.created = FromTimeT(created);
        node.lsn = lsn;
        if (folder) {
            CheckFolder(node, bytes);
            folderBytes_[lsn] = bytes;
            if (!joliet_)
                paths_[lsn] = PathOf(parent) + raw + "/";
        } else {
            AddExtent(node, lsn, bytes);
        }
        nodes.push_back(std::move(node));
    }

    // Whether the extent of `bytes` at `lsn` lies inside the image.
    bool Inside(lsn_t lsn, std::uint64_t bytes) const {
        const auto blocks = static_cast<std::int64_t>((bytes + ISO_BLOCKSIZE - 1) / ISO_BLOCKSIZE);
        return lsn >= 0 && lsn + blocks <= imageBlocks_;
    }

    // A file's size is the sum of its extents, each checked against the image before it counts:
    // a file that claims more than the disc holds gets a problem and no size.
    void AddExtent(IsoNode& node, lsn_t lsn, std::uint32_t bytes) const {
        if (!node.entry.problem.empty())
            return; // a refused file stays refused
        const std::uint64_t total = node.entry.size + bytes;
        if (!Inside(lsn, bytes))
            Refuse(node, "The file " + node.entry.name + " extends past the end of the disc");
        else if (total > static_cast<std::uint64_t>(imageBlocks_) * ISO_BLOCKSIZE)
            Refuse(node, "The file " + node.entry.name + " claims at least " +
                             std::to_string(total) + " bytes, more than the disc holds");
        else {
            node.extents.push_back({lsn, bytes});
            node.entry.size = total;
        }
    }

    // libiso9660 reads a folder's records in one piece: folders outside the image or larger
    // than any real folder are not entered.
    void CheckFolder(IsoNode& node, std::uint64_t bytes) const {
        if (!Inside(node.lsn, bytes))
            Refuse(node, "The folder " + node.entry.name + " lies outside the disc");
        else if (bytes > kMaxFolderBytes)
            Refuse(node, "The folder " + node.entry.name + " is too large");
    }

    static void Refuse(IsoNode& node, std::string problem) {
        node.entry.size = 0;
        node.extents.clear();
        node.entry.problem = std::move(problem);
    }

    std::string PathOf(lsn_t folderLsn) const {
        if (folderLsn == rootLsn_)
            return "/";
        auto it = paths_.find(folderLsn);
        if (it == paths_.end())
            throw EngineError("Unknown folder on the disc");
        return it->second;
    }

    // The node a path names, or null; valid until the next folder is read (under the lock).
    const IsoNode* Resolve(const std::string& path) const {
        const IsoNode* node = &root_;
        std::array<lsn_t, kMaxDepth + 1> seen{rootLsn_};
        std::size_t depth = 1;
        const auto parts = SplitPath(path);
        for (const auto& part : parts) {
            if (!node->entry.isFolder)
                return nullptr;
            const IsoNode* next = Children(node->lsn).Find(part);
            if (!next)
                return nullptr;
            if (next->entry.isFolder && !next->entry.problem.empty() && &part != &parts.back())
                throw EngineError(next->entry.problem);
            if (next->entry.isFolder) {
                if (std::find(seen.begin(), seen.begin() + depth, next->lsn) !=
                    seen.begin() + depth)
                    throw EngineError("The disc's folder tree loops back on itself at " + path);
                seen[depth++] = next->lsn;
            }
            node = next;
        }
        return node;
    }

    fs::path image_;
    std::unique_ptr<iso9660_t, IsoCloser> iso_;
    UniqueFd fd_;
    bool joliet_ = false;
    std::int64_t imageBlocks_ = 0, totalBlocks_ = 0;
    lsn_t rootLsn_ = 0;
    std::string label_;
    mutable std::map<lsn_t, std::string> paths_;         // libiso9660's path of each folder
    mutable std::map<lsn_t, std::uint32_t> folderBytes_; // each folder's extent
    static constexpr std::size_t kMaxCachedEntries = 1u << 20;
    static constexpr std::uint64_t kMaxFolderBytes = 64u << 20;
    IsoNode root_; // the root folder, where every path starts
    mutable std::map<lsn_t, Listing> listings_;
    mutable std::size_t cachedEntries_ = 0;
    // libiso9660's handle and the caches are not safe for concurrent use.
    mutable std::mutex mutex_;
};

} // namespace

std::shared_ptr<IDiscVolume> OpenDriveVolume(const DriveState& state) {
    if (!state.medium)
        throw EngineError(state.problem.empty() ? "There is no disc in the drive"
                                                : "The disc cannot be read: " + state.problem);
    const MediumState& m = *state.medium;
    std::error_code ec;
    auto created = FromTimeT(0);
    auto mtime = fs::last_write_time(state.folder / "medium.ini", ec);
    if (!ec)
        created = std::chrono::file_clock::to_sys(mtime);
    bool anyData = false;
    std::vector<std::int32_t> starts, lengths;
    for (const auto& t : m.tracks) {
        if (t.audio) {
            starts.push_back(t.start);
            lengths.push_back(t.blocks);
        } else {
            anyData = true;
        }
    }
    if (anyData) {
        fs::path image = state.folder / m.dataPayload;
        QuietLibcdio();
        // Names as the disc's authoring kept them: Joliet, else UDF (an ISO9660/UDF bridge
        // holds its long names there), else the d-character ISO9660 names.
        const std::int32_t found = DetectFileSystems(image, 0);
        if ((found & kFsJoliet) || !(found & kFsUDF))
            return std::make_shared<IsoVolume>(image);
        try {
            return OpenUdfVolume(image);
        } catch (const EngineError&) {
            if (!(found & kFsISO9660))
                throw;
        }
        return std::make_shared<IsoVolume>(image);
    }
    if (!lengths.empty())
        return std::make_shared<AudioVolume>(starts, lengths, created);
    throw EngineError("The disc is blank");
}

} // namespace discengine
