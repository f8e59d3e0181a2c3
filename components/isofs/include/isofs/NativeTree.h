#pragma once

#include "isofs/FileLayout.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace isofs {

// The image name of a native file name: the image path's separator (backslash) and every
// control character become '_', so a native name never splits into folders or hides a
// character; everything else is kept.
std::string imageNameOf(std::string_view nativeName);

// Where a walk of a native folder puts what it finds. add* throw (any std::exception) to refuse
// an entry; the walk then reports it as skipped and goes on.
class TreeTarget {
public:
    struct Item {
        bool isFolder = false;
        std::string source; // a file's native source (empty for folders)
    };
    virtual ~TreeTarget() = default;
    // What the image already holds at imagePath, if anything.
    virtual std::optional<Item> itemAt(const std::string& imagePath) = 0;
    virtual void addFolder(const std::string& name, const std::string& imagePath) = 0;
    virtual void addFile(const std::string& nativePath, const std::string& imagePath) = 0;
    // An entry left out of the image: its native path and a sentence saying why.
    virtual void skipped(const std::string& nativePath, const std::string& message) = 0;
};

// Adds the content of the native folder `folder` below the image folder `imagePath` ("" or "\"
// for the root, else "\a\b"), in the file system's order. Folders become image folders and
// regular files image files. Left out, each reported through target.skipped: FIFOs, devices
// and sockets; links to folders (never followed, so a link can neither loop nor pull in a tree
// from elsewhere); links that loop or lead nowhere; links to anything but a regular file;
// folders that cannot be entered or lead back to a folder above them; entries the target
// refuses (unreadable files, ...). Names are mapped with imageNameOf; a mapped name that
// another entry of the folder has, or that the image holds for another source, gets "~N" before
// its extension, so two different source files never land on one image path (adding the same
// tree again lands on the same paths). Returns true when something was left out.
bool addNativeTree(const std::filesystem::path& folder, const std::string& imagePath,
                   TreeTarget& target);

// The target that adds into a FileLayout (folders by name, files by native path) and hands what
// is left out to `skipped`.
class LayoutTreeTarget final : public TreeTarget {
public:
    using Skipped = std::function<void(const std::string& nativePath, const std::string& message)>;
    LayoutTreeTarget(FileLayout& layout, Skipped skipped);
    std::optional<Item> itemAt(const std::string& imagePath) override;
    void addFolder(const std::string& name, const std::string& imagePath) override;
    void addFile(const std::string& nativePath, const std::string& imagePath) override;
    void skipped(const std::string& nativePath, const std::string& message) override;

private:
    FileLayout& layout_;
    Skipped skipped_;
};

} // namespace isofs
