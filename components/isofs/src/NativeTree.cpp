// The walk of a native folder into an image: what is taken, what is left out and why, and how
// native names become image names.
#include "isofs/NativeTree.h"

#include "FileKind.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace isofs {

std::string imageNameOf(std::string_view nativeName) {
    std::string name(nativeName);
    for (char& c : name) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\\' || u < 0x20 || u == 0x7F)
            c = '_';
    }
    return name;
}

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

// A folder's names, read before anything is added so that renamed names can avoid every
// native name of the folder.
struct Listing {
    bool opened = false;
    int error = 0; // why it could not be opened, or why the listing stopped early
    std::vector<std::string> names;
    // What the folder says each name is (DT_REG, DT_DIR, ... or DT_UNKNOWN), by position.
    std::vector<unsigned char> types;
};

Listing readNames(const fs::path& folder) {
    Listing listing;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        listing.error = errno;
        return listing;
    }
    listing.opened = true;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            listing.error = errno;
            return listing;
        }
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            listing.names.push_back(std::move(name));
            listing.types.push_back(entry->d_type);
        }
    }
}

// "name.ext" -> "name~N.ext"; names starting with their only dot keep it in the name part.
std::string numbered(const std::string& name, int n) {
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return name + "~" + std::to_string(n);
    return name.substr(0, dot) + "~" + std::to_string(n) + name.substr(dot);
}

class Walk {
public:
    explicit Walk(TreeTarget& target) : target_(target) {}

    bool leftOut() const { return leftOut_; }

    void root(const fs::path& folder, const std::string& at) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0) {
            skip(folder,
                 "Cannot enter the folder " + folder.string() + ": " + std::strerror(errno));
            return;
        }
        Listing listing = readNames(folder);
        if (!listing.opened) {
            skip(folder, "Cannot enter the folder " + folder.string() + ": " +
                             std::strerror(listing.error));
            return;
        }
        above_.push_back({st.st_dev, st.st_ino});
        content(folder, at, listing);
    }

private:
    void skip(const fs::path& path, const std::string& message) {
        leftOut_ = true;
        target_.skipped(path.string(), message);
    }

    void content(const fs::path& folder, const std::string& at, const Listing& listing) {
        if (listing.error)
            skip(folder, "Cannot list all of the folder " + folder.string() + ": " +
                             std::strerror(listing.error));
        // Names that need no mapping keep them; mapped ones must not take any of these.
        std::set<std::string> taken;
        for (const auto& name : listing.names)
            if (imageNameOf(name) == name)
                taken.insert(name);
        for (std::size_t i = 0; i < listing.names.size(); ++i) {
            const std::string& name = listing.names[i];
            const fs::path path = folder / name;
            struct stat st {};
            if (listing.types[i] == DT_REG) {
                // The folder already says it is a regular file, not a link: adding it looks at
                // it again, so a look here would only repeat that one.
                st.st_mode = S_IFREG;
            } else if (::lstat(path.c_str(), &st) != 0) {
                skip(path, "Cannot read " + path.string() + ": " + std::strerror(errno));
                continue;
            }
            std::string imageName = imageNameOf(name);
            if (imageName != name)
                imageName = unique(imageName, at, taken, path, S_ISDIR(st.st_mode));
            taken.insert(imageName);
            entry(path, st, at + "\\" + imageName, imageName);
        }
    }

    // A mapped name that the folder or the image already uses for something else gets a number.
    std::string unique(const std::string& name, const std::string& at,
                       const std::set<std::string>& taken, const fs::path& path, bool isFolder) {
        auto free = [&](const std::string& candidate) {
            if (taken.count(candidate))
                return false;
            auto item = target_.itemAt(at + "\\" + candidate);
            return !item ||
                   (isFolder ? item->isFolder : !item->isFolder && item->source == path.string());
        };
        if (free(name))
            return name;
        for (int n = 1;; ++n)
            if (std::string candidate = numbered(name, n); free(candidate))
                return candidate;
    }

    void entry(const fs::path& path, const struct stat& st, const std::string& imagePath,
               const std::string& name) {
        if (S_ISLNK(st.st_mode))
            link(path, imagePath);
        else if (S_ISDIR(st.st_mode))
            subfolder(path, imagePath, name, st);
        else if (S_ISREG(st.st_mode))
            file(path, imagePath);
        else
            skip(path, path.string() + " is " + detail::fileKind(st.st_mode) +
                           "; special files are left out");
    }

    // Links are followed only to regular files: a link to a folder could loop or pull in a
    // tree from anywhere on the machine.
    void link(const fs::path& path, const std::string& imagePath) {
        const std::string shown = path.string();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            int err = errno;
            if (err == ELOOP)
                skip(path, shown + " is a link that loops back on itself");
            else if (err == ENOENT)
                skip(path, shown + " is a link to something that does not exist");
            else
                skip(path, "Cannot follow the link " + shown + ": " + std::strerror(err));
        } else if (S_ISDIR(st.st_mode)) {
            skip(path, shown + " is a link to a folder; links to folders are not followed");
        } else if (!S_ISREG(st.st_mode)) {
            skip(path, shown + " is a link to " + detail::fileKind(st.st_mode) +
                           "; only links to regular files are followed");
        } else {
            file(path, imagePath);
        }
    }

    void file(const fs::path& path, const std::string& imagePath) {
        try {
            target_.addFile(path.string(), imagePath);
        } catch (const std::exception& e) {
            skip(path, e.what());
        }
    }

    void subfolder(const fs::path& path, const std::string& imagePath, const std::string& name,
                   const struct stat& st) {
        const FolderId id{st.st_dev, st.st_ino};
        if (std::find(above_.begin(), above_.end(), id) != above_.end()) {
            skip(path, path.string() + " is a folder above itself (a folder loop)");
            return;
        }
        Listing listing = readNames(path);
        if (!listing.opened) {
            skip(path,
                 "Cannot enter the folder " + path.string() + ": " + std::strerror(listing.error));
            return;
        }
        try {
            target_.addFolder(name, imagePath);
        } catch (const std::exception& e) {
            skip(path, e.what());
            return;
        }
        above_.push_back(id);
        content(path, imagePath, listing);
        above_.pop_back();
    }

    TreeTarget& target_;
    bool leftOut_ = false;
    std::vector<FolderId> above_; // the folders from the walk's root down to the current one
};

} // namespace

bool addNativeTree(const fs::path& folder, const std::string& imagePath, TreeTarget& target) {
    std::string at = imagePath;
    while (!at.empty() && at.back() == '\\')
        at.pop_back();
    Walk walk(target);
    // Sources are read again when the image is written: a relative path must not depend on
    // the working folder of that moment.
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    walk.root(ec ? folder : absolute, at);
    return walk.leftOut();
}

LayoutTreeTarget::LayoutTreeTarget(FileLayout& layout, Skipped skipped)
    : layout_(layout), skipped_(std::move(skipped)) {}

std::optional<TreeTarget::Item> LayoutTreeTarget::itemAt(const std::string& imagePath) {
    const DataItem* item = layout_.findItem(imagePath);
    if (!item)
        return std::nullopt;
    return Item{item->isFolder(), item->sourcePath()};
}

void LayoutTreeTarget::addFolder(const std::string& name, const std::string& imagePath) {
    layout_.addItem(name, imagePath);
}

void LayoutTreeTarget::addFile(const std::string& nativePath, const std::string& imagePath) {
    layout_.addItem(nativePath, imagePath);
}

void LayoutTreeTarget::skipped(const std::string& nativePath, const std::string& message) {
    if (skipped_)
        skipped_(nativePath, message);
}

} // namespace isofs
