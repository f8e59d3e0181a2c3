#pragma once

#include "isofs/Source.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace isofs {

class FileLayout;

// One file or folder of a data image. Image paths are backslash-separated with the root "\".
class DataItem {
public:
    const std::string& name() const { return name_; }
    std::string imagePath() const;
    const std::string& sourcePath() const { return sourcePath_; }
    bool isFolder() const { return isFolder_; }
    std::uint64_t size() const { return size_; }
    std::int64_t fileDate() const { return fileDate_; } // seconds since the Unix epoch, UTC
    std::size_t childCount() const { return children_.size(); }
    const DataItem* child(std::size_t index) const;
    DataItem* child(std::size_t index);
    const DataItem* parent() const { return parent_; }
    // Child by exact name, or nullptr.
    const DataItem* findChild(std::string_view name) const;

private:
    friend class FileLayout;
    DataItem* findChildMutable(std::string_view name);

    std::string name_;
    std::string sourcePath_;
    bool isFolder_ = false;
    std::uint64_t size_ = 0;
    std::int64_t fileDate_ = 0;
    DataItem* parent_ = nullptr;
    std::vector<std::unique_ptr<DataItem>> children_;
    // Children by name, so that a folder of 100,000 files is not searched name by name for
    // each added file. The keys view the children's own names.
    std::unordered_map<std::string_view, DataItem*> byName_;
};

// The tree of a data image. Not thread-safe: one writer at a time; a write works on an
// ImagePlan snapshot so the layout may change again once the plan is built.
class FileLayout {
public:
    using ItemAdded = std::function<void(const DataItem&)>;

    explicit FileLayout(std::shared_ptr<const SourceOpener> opener = nativeSourceOpener());

    const DataItem& root() const { return *root_; }
    // "\" gives the root; nullptr when the path is not in the layout.
    const DataItem* findItem(std::string_view imagePath) const;

    // source empty: an empty folder at imagePath. A bare name (no separator): the folder a
    // folder walk needs. Otherwise a file (or folder) path read through the source opener.
    // Missing parent folders are created. Adding a file over an existing file replaces its
    // source; a folder over an existing folder keeps it. Throws LayoutError.
    const DataItem& addItem(const std::string& source, std::string_view imagePath);
    // An item whose facts are already known (images loaded from a disc or file).
    const DataItem& addKnownItem(std::string_view imagePath, bool isFolder, std::uint64_t size,
                                 std::int64_t fileDate, const std::string& source = {});

    void renameFile(std::string_view imagePath, const std::string& newName);
    void renameFolder(std::string_view imagePath, const std::string& newName);
    void removeItem(std::string_view imagePath); // a folder goes with all its content
    void clear();

    void setOnItemAdded(ItemAdded callback) { onItemAdded_ = std::move(callback); }
    const SourceOpener& opener() const { return *opener_; }
    std::shared_ptr<const SourceOpener> openerPtr() const { return opener_; }

    // Files below the root and their total bytes.
    std::uint64_t fileCount() const;
    std::uint64_t totalFileBytes() const;

    // Splits an image path into its names; throws LayoutError for a path not starting with "\".
    static std::vector<std::string_view> splitImagePath(std::string_view imagePath);

private:
    DataItem* findMutable(std::string_view imagePath);
    DataItem& ensureFolder(const std::vector<std::string_view>& names, std::size_t count);
    DataItem& insert(DataItem& parent, std::unique_ptr<DataItem> item);
    void rename(std::string_view imagePath, const std::string& newName, bool folder);

    std::shared_ptr<const SourceOpener> opener_;
    std::unique_ptr<DataItem> root_;
    ItemAdded onItemAdded_;
};

// A name the layout accepts: not empty, not "." or "..", no backslash, slash or NUL.
bool isValidItemName(std::string_view name);

} // namespace isofs
