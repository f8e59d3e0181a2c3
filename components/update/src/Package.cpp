#include "update/Package.h"

#include "update/Install.h"

#include <archive.h>
#include <archive_entry.h>

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <vector>

namespace update {
namespace {

namespace fs = std::filesystem;

struct WriterFree {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

} // namespace

std::string BuildPackage(const fs::path& bundle, const fs::path& archiveFile,
                         PackageFormat format) {
    std::unique_ptr<archive, WriterFree> a(archive_write_new());
    if (!a)
        return "The archive library could not start";
    if (format == PackageFormat::Zip) {
        archive_write_set_format_zip(a.get());
    } else {
        archive_write_set_format_pax_restricted(a.get());
        archive_write_add_filter_xz(a.get());
    }
    if (archive_write_open_filename(a.get(), archiveFile.c_str()) != ARCHIVE_OK)
        return "Cannot create " + archiveFile.string();

    std::error_code ec;
    std::vector<fs::path> items;
    for (auto it = fs::recursive_directory_iterator(bundle, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string rel = it->path().lexically_relative(bundle).generic_string();
        if (IsUserFile(rel, true)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                it.disable_recursion_pending();
            continue;
        }
        items.push_back(it->path());
    }
    if (ec)
        return "Cannot list " + bundle.string() + ": " + ec.message();

    std::vector<char> buffer(1 << 16);
    for (const fs::path& item : items) {
        struct stat st {};
        if (::lstat(item.c_str(), &st) != 0)
            return "Cannot read " + item.string();
        std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
        const std::string rel = item.lexically_relative(bundle).generic_string();
        archive_entry_set_pathname(entry.get(), rel.c_str());
        archive_entry_set_perm(entry.get(), st.st_mode & 0777);
        archive_entry_set_mtime(entry.get(), st.st_mtime, 0);
        if (S_ISLNK(st.st_mode)) {
            const fs::path target = fs::read_symlink(item, ec);
            archive_entry_set_filetype(entry.get(), AE_IFLNK);
            archive_entry_set_symlink(entry.get(), target.c_str());
        } else if (S_ISDIR(st.st_mode)) {
            archive_entry_set_filetype(entry.get(), AE_IFDIR);
        } else if (S_ISREG(st.st_mode)) {
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_size(entry.get(), st.st_size);
        } else {
            continue; // sockets and the like are no part of a program
        }
        if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK)
            return "Cannot pack " + rel + ": " + archive_error_string(a.get());
        if (S_ISREG(st.st_mode)) {
            std::ifstream in(item, std::ios::binary);
            while (in) {
                in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                const auto n = in.gcount();
                if (n > 0 && archive_write_data(a.get(), buffer.data(), static_cast<size_t>(n)) !=
                                 static_cast<la_ssize_t>(n))
                    return "Cannot pack " + rel;
            }
            if (in.bad())
                return "Cannot read " + item.string();
        }
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK)
        return "Cannot finish " + archiveFile.string();
    return {};
}

} // namespace update
