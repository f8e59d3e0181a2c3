#include "isofs/ImageReader.h"

#include "Bytes.h"
#include "isofs/Errors.h"
#include "isofs/ImageWriter.h"

#include <cdio/ds.h>
#include <cdio/iso9660.h>
#include <cdio/udf.h>
#include <cdio/udf_time.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <set>

namespace isofs {

namespace {

// Limits that keep a hostile image from making the walk unbounded.
constexpr std::uint32_t kMaxDirBytes = 64u << 20;
constexpr std::size_t kMaxDepth = 1000;
constexpr std::size_t kMaxEntries = 4u << 20;

struct IsoClose {
    void operator()(iso9660_t* p) const { iso9660_close(p); }
};
struct UdfClose {
    void operator()(udf_t* p) const { udf_close(p); }
};
struct ListFree {
    void operator()(CdioList_t* l) const { iso9660_filelist_free(l); }
};
struct StatFree {
    void operator()(iso9660_stat_t* p) const { iso9660_stat_free(p); } // frees its parts too
};

std::string sanitiseName(std::string name, std::vector<std::string>& warnings) {
    std::string original = name;
    for (char& c : name)
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    if (name.empty() || name == "." || name == "..")
        name = std::string(name.size() + 1, '_');
    if (name != original)
        warnings.push_back("Renamed the unsafe entry name \"" + original + "\" to \"" + name +
                           "\"");
    return name;
}

std::string stripVersion(std::string name, bool primary) {
    auto semi = name.rfind(';');
    if (semi != std::string::npos && semi + 1 < name.size() &&
        name.find_first_not_of("0123456789", semi + 1) == std::string::npos)
        name.resize(semi);
    if (primary && name.size() > 1 && name.back() == '.')
        name.pop_back();
    return name;
}

std::int64_t fromTm(const struct tm& tm) {
    struct tm copy = tm;
    return static_cast<std::int64_t>(timegm(&copy));
}

// Reads the volume descriptors directly to check every root directory before libcdio follows it.
void checkRootRecords(const std::filesystem::path& image, std::uint64_t blocks) {
    std::ifstream in(image, std::ios::binary);
    std::uint8_t sector[2048];
    for (std::uint32_t lsn = 16; lsn < 16 + 64 && lsn < blocks; ++lsn) {
        in.seekg(static_cast<std::streamoff>(lsn) * 2048);
        if (!in.read(reinterpret_cast<char*>(sector), sizeof sector))
            return;
        if (std::memcmp(sector + 1, "CD001", 5) != 0 || sector[0] == 255)
            return;
        if (sector[0] != 1 && sector[0] != 2)
            continue;
        std::uint32_t root = detail::rd32le(sector + 156 + 2);
        std::uint32_t size = detail::rd32le(sector + 156 + 10);
        if (size == 0 || size > kMaxDirBytes || root + (size + 2047ull) / 2048 > blocks)
            throw ImageReadError("The image's root folder lies outside the image");
    }
}

class IsoWalker {
public:
    IsoWalker(iso9660_t* iso, bool joliet, std::uint64_t blocks, LoadedImage& out)
        : iso_(iso), joliet_(joliet), blocks_(blocks), out_(out) {}

    void walk(const std::string& path, ImageEntry& dir, std::size_t depth) {
        std::unique_ptr<CdioList_t, ListFree> list(iso9660_ifs_readdir(iso_, path.c_str()));
        if (!list) {
            out_.warnings.push_back("Cannot read the folder " + path);
            return;
        }
        std::vector<std::pair<std::string, ImageEntry*>> subdirs;
        std::string previous, refused;
        for (auto* node = _cdio_list_begin(list.get()); node; node = _cdio_list_node_next(node)) {
            auto* st = static_cast<iso9660_stat_t*>(_cdio_list_node_data(node));
            std::string raw = st->filename;
            if (raw == "." || raw == "..")
                continue;
            if (++entries_ > kMaxEntries)
                throw ImageReadError("The image holds too many entries");
            bool isDir = st->type == iso9660_stat_s::_STAT_DIR;
            if (!isDir && raw == refused)
                continue;
            std::uint64_t extentBlocks = (static_cast<std::uint64_t>(st->size) + 2047) / 2048;
            if (st->lsn < 0 || st->lsn + extentBlocks > blocks_) {
                out_.warnings.push_back("Skipped " + path + raw +
                                        ": its data lies outside the image");
                // A file over 4 GiB goes whole or not at all.
                if (!isDir && raw == previous && !dir.children.empty() &&
                    !dir.children.back().isFolder)
                    dir.children.pop_back();
                if (!isDir)
                    refused = raw;
                continue;
            }
            // Multi-extent files come as consecutive records of one name.
            if (!isDir && !dir.children.empty() && raw == previous &&
                !dir.children.back().isFolder) {
                auto& f = dir.children.back();
                // Each extent lies inside the image, but a hostile record set may repeat one
                // until the file claims more than the image holds.
                if (f.size + st->size > blocks_ * 2048) {
                    out_.warnings.push_back("Skipped " + path + raw +
                                            ": it claims more bytes than the image holds");
                    dir.children.pop_back();
                    refused = raw; // and the rest of its extents
                    continue;
                }
                f.extents.push_back({static_cast<std::uint32_t>(st->lsn), st->size});
                f.size += st->size;
                continue;
            }
            previous = raw;
            ImageEntry e;
            e.name = sanitiseName(stripVersion(raw, !joliet_), out_.warnings);
            e.isFolder = isDir;
            e.date = fromTm(st->tm);
            if (isDir) {
                if (st->size > kMaxDirBytes) {
                    out_.warnings.push_back("Skipped the oversized folder " + path + raw);
                    continue;
                }
                if (!visited_.insert(st->lsn).second) {
                    out_.warnings.push_back("Skipped " + path + raw + ": a folder loop");
                    continue;
                }
            } else {
                e.size = st->size;
                e.extents.push_back({static_cast<std::uint32_t>(st->lsn), st->size});
            }
            dir.children.push_back(std::move(e));
            if (isDir)
                subdirs.emplace_back(raw, nullptr);
        }
        // Pointers are taken once the child list no longer grows.
        std::size_t k = 0;
        for (auto& child : dir.children)
            if (child.isFolder && k < subdirs.size())
                subdirs[k++].second = &child;
        if (depth + 1 > kMaxDepth) {
            if (!subdirs.empty())
                out_.warnings.push_back("Folders below " + path + " are too deep and were skipped");
            return;
        }
        for (auto& [raw, child] : subdirs)
            walk(path + raw + "/", *child, depth + 1);
    }

    void markRoot(lsn_t root) { visited_.insert(root); }

private:
    iso9660_t* iso_;
    bool joliet_;
    std::uint64_t blocks_;
    LoadedImage& out_;
    std::set<lsn_t> visited_;
    std::size_t entries_ = 0;
};

bool readIso(const std::filesystem::path& image, LoadedImage& out) {
    std::unique_ptr<iso9660_t, IsoClose> iso(
        iso9660_open_ext(image.c_str(), ISO_EXTENSION_JOLIET_LEVEL1 | ISO_EXTENSION_JOLIET_LEVEL2 |
                                            ISO_EXTENSION_JOLIET_LEVEL3));
    if (!iso)
        return false;
    checkRootRecords(image, out.imageBlocks);
    bool joliet = iso9660_ifs_get_joliet_level(iso.get()) > 0;
    out.fileSystems |= fsIso9660 | (joliet ? fsJoliet : 0);
    out.namesFrom = joliet ? fsJoliet : fsIso9660;
    char* label = nullptr;
    if (iso9660_ifs_get_volume_id(iso.get(), &label) && label) {
        out.volumeLabel = label;
        while (!out.volumeLabel.empty() && out.volumeLabel.back() == ' ')
            out.volumeLabel.pop_back();
    }
    std::free(label);
    out.root.isFolder = true;
    IsoWalker walker(iso.get(), joliet, out.imageBlocks, out);
    std::unique_ptr<iso9660_stat_t, StatFree> root(iso9660_ifs_stat(iso.get(), "/"));
    if (root)
        walker.markRoot(root->lsn);
    walker.walk("/", out.root, 0);
    return true;
}

class UdfWalker {
public:
    explicit UdfWalker(LoadedImage& out) : out_(out) {}

    // Takes ownership of dir (libudf frees a listing when it reaches its end).
    void walk(udf_dirent_t* dir, ImageEntry& into, std::size_t depth) {
        while (udf_readdir(dir)) {
            if (++entries_ > kMaxEntries) {
                udf_dirent_free(dir);
                throw ImageReadError("The image holds too many entries");
            }
            const char* raw = udf_get_filename(dir);
            udf_fileid_desc_t fid{};
            bool haveFid = udf_get_fileid_descriptor(dir, &fid);
            if (!raw || (haveFid && (fid.file_characteristics & UDF_FILE_PARENT)) ||
                std::strcmp(raw, "..") == 0)
                continue;
            ImageEntry e;
            // libudf hands names over as Latin-1 bytes.
            e.name = sanitiseName(latin1ToUtf8(raw), out_.warnings);
            e.isFolder = udf_is_dir(dir);
            e.date = static_cast<std::int64_t>(udf_get_modification_time(dir));
            if (!e.isFolder) {
                // The size is the file entry's claim: one larger than the image is hostile.
                const std::int64_t size = udf_get_file_length(dir);
                if (size < 0 || static_cast<std::uint64_t>(size) > out_.imageBlocks * 2048) {
                    out_.warnings.push_back("Skipped " + e.name +
                                            ": it claims more bytes than the image holds");
                    continue;
                }
                e.size = static_cast<std::uint64_t>(size);
                into.children.push_back(std::move(e));
                continue;
            }
            std::uint32_t lba = haveFid ? fid.icb.loc.lba : 0;
            if (!visited_.insert(lba).second) {
                out_.warnings.push_back("Skipped " + e.name + ": a folder loop");
                continue;
            }
            into.children.push_back(std::move(e));
            if (depth + 1 > kMaxDepth) {
                out_.warnings.push_back("Folders below " + into.children.back().name +
                                        " are too deep and were skipped");
                continue;
            }
            udf_dirent_t* sub = udf_opendir(dir);
            if (sub)
                walk(sub, into.children.back(), depth + 1);
        }
    }

    void markRoot(std::uint32_t lba) { visited_.insert(lba); }

private:
    LoadedImage& out_;
    std::set<std::uint32_t> visited_;
    std::size_t entries_ = 0;
};

bool readUdf(const std::filesystem::path& image, LoadedImage& out, bool fillTree) {
    std::unique_ptr<udf_t, UdfClose> udf(udf_open(image.c_str()));
    if (!udf)
        return false;
    udf_dirent_t* root = udf_get_root(udf.get(), true, 0);
    if (!root)
        return false;
    out.fileSystems |= fsUdf;
    char label[256] = {};
    if (out.volumeLabel.empty() && udf_get_logical_volume_id(udf.get(), label, sizeof label) > 0)
        out.volumeLabel = latin1ToUtf8(label); // libudf hands it over as Latin-1
    if (!fillTree) {
        udf_dirent_free(root);
        return true;
    }
    out.namesFrom = fsUdf;
    out.root.isFolder = true;
    UdfWalker walker(out);
    walker.walk(root, out.root, 0);
    return true;
}

} // namespace

LoadedImage readImageFile(const std::filesystem::path& image) {
    std::error_code ec;
    auto bytes = std::filesystem::file_size(image, ec);
    if (ec)
        throw ImageReadError("Cannot open the image " + image.string() + ": " + ec.message());
    LoadedImage out;
    out.imageBlocks = bytes / 2048;
    if (out.imageBlocks < 17)
        throw ImageReadError("The file " + image.string() + " is too small to be an image");
    bool iso = readIso(image, out);
    if (iso && (out.fileSystems & fsJoliet)) {
        readUdf(image, out, false); // only notes that UDF is there
        return out;
    }
    // Without Joliet, an ISO9660/UDF bridge keeps its long names (and its label) in UDF.
    LoadedImage udf;
    udf.imageBlocks = out.imageBlocks;
    bool haveUdf = false;
    try {
        haveUdf = readUdf(image, udf, true);
    } catch (const ImageReadError& error) {
        if (!iso)
            throw;
        out.warnings.push_back(std::string("The UDF tree was not used: ") + error.what());
    }
    if (haveUdf) {
        udf.fileSystems |= out.fileSystems;
        if (udf.volumeLabel.empty())
            udf.volumeLabel = out.volumeLabel;
        return udf;
    }
    if (!iso)
        throw ImageReadError("The file " + image.string() + " holds no ISO9660 or UDF file system");
    return out;
}

static void addEntries(const ImageEntry& dir, const std::string& path, FileLayout& layout,
                       const std::string& source) {
    for (const auto& e : dir.children) {
        std::string p = path + "\\" + e.name;
        try {
            layout.addKnownItem(p, e.isFolder, e.size, e.date, e.isFolder ? std::string() : source);
        } catch (const LayoutError&) {
            continue; // a duplicate name of another kind
        }
        if (e.isFolder)
            addEntries(e, p, layout, source);
    }
}

void fillLayout(const LoadedImage& image, FileLayout& layout) {
    layout.clear();
    addEntries(image.root, "", layout, {});
}

std::string latin1ToUtf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace isofs
