#include "ReadBack.h"
#include "support/Latin1.h"

#include <cdio/ds.h>
#include <cdio/iso9660.h>
#include <cdio/udf.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/wait.h>
#include <vector>

namespace isofstest {

namespace {

std::string stripVersion(std::string name) {
    auto semi = name.rfind(';');
    if (semi != std::string::npos)
        name.resize(semi);
    if (name.size() > 1 && name.back() == '.')
        name.pop_back();
    return name;
}

struct IsoFile {
    std::vector<std::pair<lsn_t, std::uint32_t>> extents;
    std::uint64_t size = 0;
};

void walkIso(iso9660_t* iso, const std::string& path, ReadBack& rb, std::uint64_t maxRead,
             std::map<std::string, IsoFile>& extents) {
    CdioList_t* list = iso9660_ifs_readdir(iso, path.c_str());
    if (!list)
        return;
    std::vector<std::string> dirs;
    std::string last;
    for (auto* node = _cdio_list_begin(list); node; node = _cdio_list_node_next(node)) {
        auto* st = static_cast<iso9660_stat_t*>(_cdio_list_node_data(node));
        std::string name = st->filename;
        if (name == "." || name == "..")
            continue;
        if (st->b_xa)
            rb.xa = true;
        std::string full = path + stripVersion(name);
        if (st->type == iso9660_stat_s::_STAT_DIR) {
            rb.folders.insert(full);
            dirs.push_back(name);
            continue;
        }
        auto& f = extents[full];
        f.extents.emplace_back(st->lsn, st->size);
        f.size += st->size;
    }
    iso9660_filelist_free(list);
    for (const auto& d : dirs)
        walkIso(iso, path + d + "/", rb, maxRead, extents);
}

} // namespace

ReadBack readWithIso9660(const std::filesystem::path& image, bool joliet, std::uint64_t maxRead) {
    ReadBack rb;
    iso9660_t* iso = iso9660_open_ext(image.c_str(), joliet ? ISO_EXTENSION_JOLIET_LEVEL3 : 0);
    if (!iso)
        return rb;
    rb.opened = true;
    char* label = nullptr;
    if (iso9660_ifs_get_volume_id(iso, &label) && label) {
        rb.label = label;
        while (!rb.label.empty() && rb.label.back() == ' ')
            rb.label.pop_back();
    }
    std::free(label);
    std::map<std::string, IsoFile> files;
    walkIso(iso, "/", rb, maxRead, files);
    for (const auto& [path, f] : files) {
        rb.sizes[path] = f.size;
        if (f.size > maxRead)
            continue;
        std::string data;
        for (auto [lsn, bytes] : f.extents) {
            std::string part((bytes + 2047) / 2048 * 2048, '\0');
            if (bytes)
                iso9660_iso_seek_read(iso, part.data(), lsn, (bytes + 2047) / 2048);
            data += part.substr(0, bytes);
        }
        rb.files[path] = data;
    }
    iso9660_close(iso);
    return rb;
}

std::string isoFileBytes(const std::filesystem::path& image, const std::string& path,
                         std::uint64_t offset, std::size_t n) {
    ReadBack rb;
    iso9660_t* iso = iso9660_open_ext(image.c_str(), ISO_EXTENSION_JOLIET_LEVEL3);
    if (!iso)
        return {};
    std::map<std::string, IsoFile> files;
    walkIso(iso, "/", rb, 0, files);
    std::string out;
    auto it = files.find(path);
    if (it != files.end()) {
        std::uint64_t base = 0;
        for (auto [lsn, bytes] : it->second.extents) {
            if (offset >= base && offset < base + bytes) {
                std::uint64_t within = offset - base;
                std::uint64_t firstBlock = within / 2048;
                std::size_t blocks = (within % 2048 + n + 2047) / 2048;
                std::string buf(blocks * 2048, '\0');
                iso9660_iso_seek_read(iso, buf.data(), lsn + static_cast<lsn_t>(firstBlock),
                                      static_cast<long>(blocks));
                out = buf.substr(within % 2048, n);
                break;
            }
            base += bytes;
        }
    }
    iso9660_close(iso);
    return out;
}

namespace {

std::string readUdfFile(udf_dirent_t* f, std::uint64_t size) {
    std::string data;
    std::vector<char> block(2048 * 64);
    while (data.size() < size) {
        ssize_t got = udf_read_block(f, block.data(), 64);
        if (got <= 0)
            break;
        data.append(block.data(), static_cast<std::size_t>(got));
    }
    data.resize(std::min<std::uint64_t>(data.size(), size));
    return data;
}

void walkUdf(udf_dirent_t* dir, const std::string& path, ReadBack& rb, std::uint64_t maxRead) {
    while (udf_readdir(dir)) {
        std::string raw = udf_get_filename(dir);
        if (raw == "..")
            continue;
        std::string full = path + testsupport::Latin1ToUtf8(raw);
        if (udf_is_dir(dir)) {
            rb.folders.insert(full);
            if (udf_dirent_t* sub = udf_opendir(dir))
                walkUdf(sub, full + "/", rb, maxRead);
            continue;
        }
        std::uint64_t size = udf_get_file_length(dir);
        rb.sizes[full] = size;
        if (size <= maxRead)
            rb.files[full] = readUdfFile(dir, size);
    }
}

} // namespace

ReadBack readWithUdf(const std::filesystem::path& image, std::uint64_t maxRead) {
    ReadBack rb;
    udf_t* udf = udf_open(image.c_str());
    if (!udf)
        return rb;
    udf_dirent_t* root = udf_get_root(udf, true, 0);
    if (root) {
        rb.opened = true;
        char label[256] = {};
        if (udf_get_volume_id(udf, label, sizeof label) > 0)
            rb.label = testsupport::Latin1ToUtf8(label);
        walkUdf(root, "/", rb, maxRead);
    }
    udf_close(udf);
    return rb;
}

std::string udfFileBytes(const std::filesystem::path& image, const std::string& path,
                         std::uint64_t offset, std::size_t n) {
    udf_t* udf = udf_open(image.c_str());
    if (!udf)
        return {};
    std::string out;
    udf_dirent_t* root = udf_get_root(udf, true, 0);
    if (root) {
        if (udf_dirent_t* f = udf_fopen(root, path.c_str())) {
            // libudf reads from the start of the file only: seek by reading whole blocks.
            std::vector<char> block(2048 * 256);
            std::uint64_t at = 0;
            while (at + block.size() <= offset - offset % 2048) {
                ssize_t got = udf_read_block(f, block.data(), 256);
                if (got <= 0)
                    break;
                at += static_cast<std::uint64_t>(got);
            }
            std::string data;
            while (at + data.size() < offset + n) {
                ssize_t got = udf_read_block(f, block.data(), 1);
                if (got <= 0)
                    break;
                data.append(block.data(), static_cast<std::size_t>(got));
            }
            if (offset - at < data.size())
                out = data.substr(offset - at, n);
            udf_dirent_free(f);
        }
        udf_dirent_free(root);
    }
    udf_close(udf);
    return out;
}

int run(const std::string& command, std::string* out) {
    FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
    if (!p)
        return -1;
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    int status = pclose(p);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string expectedPath(const isofs::ImagePlan& plan, const std::string& imagePath, int fs) {
    std::string out, prefix;
    std::size_t pos = 1;
    while (pos <= imagePath.size()) {
        std::size_t end = imagePath.find('\\', pos);
        if (end == std::string::npos)
            end = imagePath.size();
        prefix += "\\" + imagePath.substr(pos, end - pos);
        out += "/" + (fs == isofs::fsIso9660  ? plan.isoName(prefix)
                      : fs == isofs::fsJoliet ? plan.jolietName(prefix)
                                              : plan.udfName(prefix));
        pos = end + 1;
    }
    return out;
}

} // namespace isofstest
