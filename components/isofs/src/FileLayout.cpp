#include "isofs/FileLayout.h"

#include "isofs/Errors.h"

#include <algorithm>

namespace isofs {

std::string DataItem::imagePath() const {
    if (!parent_)
        return "\\";
    std::vector<const DataItem*> chain;
    for (const DataItem* item = this; item->parent_; item = item->parent_)
        chain.push_back(item);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path += "\\" + (*it)->name_;
    return path;
}

const DataItem* DataItem::child(std::size_t index) const {
    return index < children_.size() ? children_[index].get() : nullptr;
}

DataItem* DataItem::child(std::size_t index) {
    return index < children_.size() ? children_[index].get() : nullptr;
}

const DataItem* DataItem::findChild(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

// The index entry of `item` in its parent, if it is the one indexed under its name.
static void unindex(std::unordered_map<std::string_view, DataItem*>& byName, const DataItem* item,
                    const std::string& name) {
    auto it = byName.find(name);
    if (it != byName.end() && it->second == item)
        byName.erase(it);
}

DataItem* DataItem::findChildMutable(std::string_view name) {
    return const_cast<DataItem*>(findChild(name));
}

bool isValidItemName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("\\/\0", 3)) == std::string_view::npos;
}

FileLayout::FileLayout(std::shared_ptr<const SourceOpener> opener)
    : opener_(opener ? std::move(opener) : nativeSourceOpener()),
      root_(std::make_unique<DataItem>()) {
    root_->isFolder_ = true;
}

std::vector<std::string_view> FileLayout::splitImagePath(std::string_view imagePath) {
    if (imagePath.empty() || imagePath.front() != '\\')
        throw LayoutError("Not an image path: " + std::string(imagePath));
    std::vector<std::string_view> names;
    std::size_t pos = 1;
    while (pos <= imagePath.size()) {
        std::size_t end = imagePath.find('\\', pos);
        if (end == std::string_view::npos)
            end = imagePath.size();
        // Empty components ("\a\\b", trailing "\") are tolerated as the folder itself.
        if (end > pos)
            names.emplace_back(imagePath.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}

DataItem* FileLayout::findMutable(std::string_view imagePath) {
    std::vector<std::string_view> names;
    try {
        names = splitImagePath(imagePath);
    } catch (const LayoutError&) {
        return nullptr;
    }
    DataItem* item = root_.get();
    for (const auto& name : names) {
        if (!item->isFolder_)
            return nullptr;
        item = item->findChildMutable(name);
        if (!item)
            return nullptr;
    }
    return item;
}

const DataItem* FileLayout::findItem(std::string_view imagePath) const {
    return const_cast<FileLayout*>(this)->findMutable(imagePath);
}

DataItem& FileLayout::insert(DataItem& parent, std::unique_ptr<DataItem> item) {
    item->parent_ = &parent;
    parent.children_.push_back(std::move(item));
    DataItem& added = *parent.children_.back();
    parent.byName_.emplace(added.name_, &added);
    if (onItemAdded_)
        onItemAdded_(added);
    return added;
}

DataItem& FileLayout::ensureFolder(const std::vector<std::string_view>& names, std::size_t count) {
    DataItem* folder = root_.get();
    for (std::size_t i = 0; i < count; ++i) {
        if (!isValidItemName(names[i]))
            throw LayoutError("Invalid name in image path: " + std::string(names[i]));
        DataItem* next = folder->findChildMutable(names[i]);
        if (!next) {
            auto item = std::make_unique<DataItem>();
            item->name_ = names[i];
            item->isFolder_ = true;
            next = &insert(*folder, std::move(item));
        } else if (!next->isFolder_) {
            throw LayoutError("A file is in the way of the folder: " + std::string(names[i]));
        }
        folder = next;
    }
    return *folder;
}

const DataItem& FileLayout::addKnownItem(std::string_view imagePath, bool isFolder,
                                         std::uint64_t size, std::int64_t fileDate,
                                         const std::string& source) {
    auto names = splitImagePath(imagePath);
    if (names.empty()) {
        if (isFolder)
            return *root_;
        throw LayoutError("The root is a folder");
    }
    if (!isValidItemName(names.back()))
        throw LayoutError("Invalid item name: " + std::string(names.back()));
    DataItem& parent = ensureFolder(names, names.size() - 1);
    DataItem* existing = parent.findChildMutable(names.back());
    if (existing) {
        if (existing->isFolder_ != isFolder)
            throw LayoutError("An item of another kind exists at " + std::string(imagePath));
        if (!isFolder) {
            existing->sourcePath_ = source;
            existing->size_ = size;
            existing->fileDate_ = fileDate;
        }
        return *existing;
    }
    auto item = std::make_unique<DataItem>();
    item->name_ = names.back();
    item->isFolder_ = isFolder;
    item->size_ = isFolder ? 0 : size;
    item->fileDate_ = fileDate;
    item->sourcePath_ = source;
    return insert(parent, std::move(item));
}

static bool isBareName(const std::string& source) {
    return source.find_first_of("/\\") == std::string::npos &&
           !(source.size() >= 2 && source[1] == ':');
}

const DataItem& FileLayout::addItem(const std::string& source, std::string_view imagePath) {
    if (source.empty() || isBareName(source))
        return addKnownItem(imagePath, true, 0, 0, {});
    SourceInfo info = opener_->stat(source);
    if (!info.exists)
        throw LayoutError("The source does not exist: " + source);
    if (!info.problem.empty())
        throw LayoutError(info.problem);
    return addKnownItem(imagePath, info.isFolder, info.size, info.modified, source);
}

void FileLayout::rename(std::string_view imagePath, const std::string& newName, bool folder) {
    DataItem* item = findMutable(imagePath);
    if (!item || !item->parent_)
        throw LayoutError("No such item: " + std::string(imagePath));
    if (item->isFolder_ != folder)
        throw LayoutError(std::string(folder ? "Not a folder: " : "Not a file: ") +
                          std::string(imagePath));
    if (!isValidItemName(newName))
        throw LayoutError("Invalid item name: " + newName);
    const DataItem* clash = item->parent_->findChild(newName);
    if (clash && clash != item)
        throw LayoutError("An item named " + newName + " already exists");
    unindex(item->parent_->byName_, item, item->name_);
    item->name_ = newName;
    item->parent_->byName_.emplace(item->name_, item);
}

void FileLayout::renameFile(std::string_view imagePath, const std::string& newName) {
    rename(imagePath, newName, false);
}

void FileLayout::renameFolder(std::string_view imagePath, const std::string& newName) {
    rename(imagePath, newName, true);
}

void FileLayout::removeItem(std::string_view imagePath) {
    DataItem* item = findMutable(imagePath);
    if (!item)
        throw LayoutError("No such item: " + std::string(imagePath));
    if (!item->parent_) {
        clear();
        return;
    }
    unindex(item->parent_->byName_, item, item->name_);
    auto& siblings = item->parent_->children_;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                [item](const auto& c) { return c.get() == item; }));
}

void FileLayout::clear() {
    root_->byName_.clear();
    root_->children_.clear();
}

static void count(const DataItem& item, std::uint64_t& files, std::uint64_t& bytes) {
    for (std::size_t i = 0; i < item.childCount(); ++i) {
        const DataItem& c = *item.child(i);
        if (c.isFolder()) {
            count(c, files, bytes);
        } else {
            ++files;
            bytes += c.size();
        }
    }
}

std::uint64_t FileLayout::fileCount() const {
    std::uint64_t files = 0, bytes = 0;
    count(*root_, files, bytes);
    return files;
}

std::uint64_t FileLayout::totalFileBytes() const {
    std::uint64_t files = 0, bytes = 0;
    count(*root_, files, bytes);
    return bytes;
}

} // namespace isofs
