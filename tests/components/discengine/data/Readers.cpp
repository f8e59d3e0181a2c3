#include "Readers.h"
#include "support/Latin1.h"

#include "DataFixture.h"

#include <cdio/iso9660.h>
#include <cdio/udf.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace datatest {
namespace {

struct IsoCloser {
    void operator()(iso9660_t* p) const { iso9660_close(p); }
};
struct ListCloser {
    void operator()(CdioISO9660FileList_t* l) const { iso9660_filelist_free(l); }
};

void WalkIso(iso9660_t* iso, const std::string& dir, bool joliet,
             std::map<std::string, std::string>& out, int depth) {
    if (depth > 40)
        return;
    std::unique_ptr<CdioISO9660FileList_t, ListCloser> list(
        iso9660_ifs_readdir(iso, dir.empty() ? "/" : dir.c_str()));
    if (!list)
        return;
    for (CdioListNode_t* n = _cdio_list_begin(list.get()); n; n = _cdio_list_node_next(n)) {
        auto* st = static_cast<iso9660_stat_t*>(_cdio_list_node_data(n));
        std::string raw = st->filename;
        if (raw == "." || raw == ".." || raw.empty() || raw[0] == '\0' || raw[0] == '\1')
            continue;
        std::string name = raw;
        if (!joliet) {
            std::vector<char> t(raw.size() + 1);
            iso9660_name_translate_ext(raw.c_str(), t.data(), 0);
            name = t.data();
        }
        std::string path = dir + "/" + raw;
        std::string key;
        if (st->type == 2) {
            std::map<std::string, std::string> sub;
            WalkIso(iso, path, joliet, sub, depth + 1);
            for (auto& [k, v] : sub)
                out["\\" + name + k] = v;
            continue;
        }
        std::string bytes;
        std::uint64_t size = st->size;
        std::vector<char> buf(ISO_BLOCKSIZE);
        for (std::uint64_t b = 0; b * ISO_BLOCKSIZE < size; ++b) {
            if (iso9660_iso_seek_read(iso, buf.data(), st->lsn + static_cast<lsn_t>(b), 1) !=
                ISO_BLOCKSIZE)
                break;
            bytes.append(buf.data(),
                         std::min<std::uint64_t>(ISO_BLOCKSIZE, size - b * ISO_BLOCKSIZE));
        }
        out["\\" + name] = bytes;
    }
}

void WalkUdf(udf_t* udf, udf_dirent_t* dir, const std::string& at,
             std::map<std::string, std::string>& out, int depth) {
    while (dir && (dir = udf_readdir(dir))) {
        // libudf hands names over as Latin-1 bytes.
        std::string name = testsupport::Latin1ToUtf8(udf_get_filename(dir));
        if (name.empty() || name == "..")
            continue;
        std::string path = at + "\\" + name;
        if (udf_is_dir(dir)) {
            if (depth < 40) {
                udf_dirent_t* sub = udf_opendir(dir);
                WalkUdf(udf, sub, path, out, depth + 1);
            }
            continue;
        }
        std::string bytes;
        std::uint64_t size = udf_get_file_length(dir);
        std::vector<char> buf(UDF_BLOCKSIZE);
        while (bytes.size() < size) {
            // The last block of a file comes back as the file's remaining bytes.
            ssize_t got = udf_read_block(dir, buf.data(), 1);
            if (got <= 0)
                break;
            bytes.append(buf.data(), std::min<std::uint64_t>(static_cast<std::uint64_t>(got),
                                                             size - bytes.size()));
        }
        out[path] = bytes;
    }
}

} // namespace

std::map<std::string, std::string> ReadIso(const std::filesystem::path& image, bool joliet,
                                           std::string* label) {
    std::map<std::string, std::string> out;
    std::unique_ptr<iso9660_t, IsoCloser> iso(
        iso9660_open_ext(image.c_str(), joliet ? ISO_EXTENSION_JOLIET_LEVEL3 : ISO_EXTENSION_NONE));
    if (!iso)
        return out;
    if (label) {
        char* id = nullptr;
        if (iso9660_ifs_get_volume_id(iso.get(), &id) && id) {
            *label = id;
            while (!label->empty() && label->back() == ' ')
                label->pop_back();
        }
        std::free(id);
    }
    WalkIso(iso.get(), "", joliet, out, 0);
    return out;
}

std::map<std::string, std::string> ReadUdf(const std::filesystem::path& image, std::string* label) {
    std::map<std::string, std::string> out;
    udf_t* udf = udf_open(image.c_str());
    if (!udf)
        return out;
    // libudf finds the logical volume while it looks for the root.
    udf_dirent_t* root = udf_get_root(udf, true, 0);
    if (label) {
        char id[256] = {};
        if (root && udf_get_logical_volume_id(udf, id, sizeof id) > 0)
            *label = testsupport::Latin1ToUtf8(id);
    }
    WalkUdf(udf, root, "", out, 0);
    udf_close(udf);
    return out;
}

std::map<std::string, std::string> ExtractWithXorriso(const std::filesystem::path& image,
                                                      const std::filesystem::path& folder) {
    std::map<std::string, std::string> out;
    std::string log;
    if (Run("xorriso -osirrox on -indev '" + image.string() + "' -extract / '" + folder.string() +
                "'",
            &log) != 0) {
        ADD_FAILURE() << "xorriso cannot extract " << image << ":\n" << log;
        return out;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::string path = "\\" + entry.path().lexically_relative(folder).string();
        for (auto& c : path)
            if (c == '/')
                c = '\\';
        out[path] = testsupport::readFile(entry.path());
    }
    return out;
}

} // namespace datatest
