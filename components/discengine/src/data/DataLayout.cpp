#include "DataLayout.h"

#include "discengine/Errors.h"
#include "isofs/Errors.h"

#include <vector>

namespace discengine::data {
namespace {

std::chrono::system_clock::time_point FromSeconds(std::int64_t seconds) {
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

class Item final : public IDataItemX {
public:
    Item(std::shared_ptr<LayoutCore> core, std::string name, std::string imagePath,
         std::string source, bool folder, std::uint64_t size, std::int64_t date)
        : core_(std::move(core)), name_(std::move(name)), imagePath_(std::move(imagePath)),
          source_(std::move(source)), folder_(folder), size_(size), date_(date) {}

    std::string Name() const override { return name_; }
    std::string ImagePath() const override { return imagePath_; }
    std::string SourcePath() const override { return source_; }
    bool IsFolder() const override { return folder_; }
    std::uint64_t Size() const override { return size_; }
    std::chrono::system_clock::time_point FileDate() const override { return FromSeconds(date_); }

    std::int32_t ChildCount() const override {
        if (!core_ || !folder_)
            return 0;
        std::lock_guard lock(core_->mutex);
        const auto* item = core_->layout.findItem(imagePath_);
        return item ? static_cast<std::int32_t>(item->childCount()) : 0;
    }

    std::shared_ptr<IDataItemX> Child(std::int32_t index) const override {
        if (core_ && folder_ && index >= 0) {
            std::lock_guard lock(core_->mutex);
            const auto* item = core_->layout.findItem(imagePath_);
            if (item && static_cast<std::size_t>(index) < item->childCount())
                return MakeItem(core_, *item->child(static_cast<std::size_t>(index)));
        }
        throw EngineError("The folder " + imagePath_ + " has no item " + std::to_string(index));
    }

private:
    std::shared_ptr<LayoutCore> core_; // null for a detached item
    std::string name_, imagePath_, source_;
    bool folder_;
    std::uint64_t size_;
    std::int64_t date_;
};

class Layout final : public IFileLayoutX {
public:
    Layout(std::shared_ptr<LayoutCore> core, ItemAddedSink onItemAdded)
        : core_(std::move(core)), onItemAdded_(std::move(onItemAdded)) {}

    std::shared_ptr<IDataItemX> Root() override {
        std::lock_guard lock(core_->mutex);
        return MakeItem(core_, core_->layout.root());
    }

    std::shared_ptr<IDataItemX> FindItem(const std::string& imagePath) override {
        std::lock_guard lock(core_->mutex);
        const auto* item = core_->layout.findItem(imagePath);
        return item ? MakeItem(core_, *item) : nullptr;
    }

    std::shared_ptr<IDataItemX> AddItem(const std::string& source,
                                        const std::string& imagePath) override {
        std::vector<std::shared_ptr<IDataItemX>> added;
        std::shared_ptr<IDataItemX> result;
        {
            std::lock_guard lock(core_->mutex);
            // Collected under the lock, announced after it: a listener may call back in.
            std::vector<const isofs::DataItem*> made;
            core_->layout.setOnItemAdded(
                [&](const isofs::DataItem& item) { made.push_back(&item); });
            const isofs::DataItem* item = nullptr;
            try {
                item = &core_->layout.addItem(source, imagePath);
            } catch (const std::exception& error) {
                core_->layout.setOnItemAdded(nullptr);
                throw EngineError(error.what());
            }
            core_->layout.setOnItemAdded(nullptr);
            ++core_->generation;
            // One snapshot of the new item serves both the event and the answer.
            for (const isofs::DataItem* m : made) {
                added.push_back(MakeItem(core_, *m));
                if (m == item)
                    result = added.back();
            }
            if (!result)
                result = MakeItem(core_, *item);
        }
        if (onItemAdded_)
            for (const auto& item : added)
                onItemAdded_(item);
        return result;
    }

    bool RenameFile(const std::string& imagePath, const std::string& newName) override {
        return Change([&] { core_->layout.renameFile(imagePath, newName); });
    }
    bool RenameFolder(const std::string& imagePath, const std::string& newName) override {
        return Change([&] { core_->layout.renameFolder(imagePath, newName); });
    }
    bool RemoveItem(const std::string& imagePath) override {
        return Change([&] { core_->layout.removeItem(imagePath); });
    }
    void Clear() override {
        Change([&] { core_->layout.clear(); });
    }

private:
    // Layout refusals (unknown path, clash, bad name) answer false; the layout is unchanged.
    template <class F> bool Change(F&& change) {
        std::lock_guard lock(core_->mutex);
        try {
            change();
        } catch (const isofs::LayoutError&) {
            return false;
        }
        ++core_->generation;
        return true;
    }

    std::shared_ptr<LayoutCore> core_;
    ItemAddedSink onItemAdded_;
};

} // namespace

std::shared_ptr<IDataItemX> MakeItem(const std::shared_ptr<LayoutCore>& core,
                                     const isofs::DataItem& item) {
    return std::make_shared<Item>(core, item.name(), item.imagePath(), item.sourcePath(),
                                  item.isFolder(), item.size(), item.fileDate());
}

std::shared_ptr<IDataItemX> MakeDetachedItem(std::string name, std::string imagePath,
                                             std::string sourcePath, std::uint64_t size,
                                             std::int64_t fileDate) {
    return std::make_shared<Item>(nullptr, std::move(name), std::move(imagePath),
                                  std::move(sourcePath), false, size, fileDate);
}

std::shared_ptr<IFileLayoutX> MakeLayout(std::shared_ptr<LayoutCore> core,
                                         ItemAddedSink onItemAdded) {
    return std::make_shared<Layout>(std::move(core), std::move(onItemAdded));
}

std::string VolumeInfo::Label() const {
    std::lock_guard lock(mutex_);
    return label_;
}

void VolumeInfo::SetLabel(const std::string& label) {
    std::lock_guard lock(mutex_);
    label_ = label;
}

} // namespace discengine::data
