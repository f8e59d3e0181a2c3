#pragma once

#include "discengine/DataImage.h"
#include "isofs/FileLayout.h"

#include <functional>
#include <memory>
#include <mutex>

namespace discengine::data {

// The layout shared by the data image, its items and its jobs. isofs's layout is not
// thread-safe, so every access goes through `mutex`.
struct LayoutCore {
    explicit LayoutCore(std::shared_ptr<const isofs::SourceOpener> opener) : layout(opener) {}
    std::mutex mutex;
    isofs::FileLayout layout;
    std::uint64_t generation = 0; // bumped by every change, so a loaded image knows it is stale
};

// An item as it was when it was handed out: names and sizes are a snapshot (the layout may be
// edited at any time by the UI); children are looked up live by image path.
std::shared_ptr<IDataItemX> MakeItem(const std::shared_ptr<LayoutCore>& core,
                                     const isofs::DataItem& item);
// An item with known facts that is not (or no longer) in a layout, for verify events.
std::shared_ptr<IDataItemX> MakeDetachedItem(std::string name, std::string imagePath,
                                             std::string sourcePath, std::uint64_t size,
                                             std::int64_t fileDate);

using ItemAddedSink = std::function<void(std::shared_ptr<IDataItemX>)>;

std::shared_ptr<IFileLayoutX> MakeLayout(std::shared_ptr<LayoutCore> core,
                                         ItemAddedSink onItemAdded);

class VolumeInfo final : public IVolumeInfoX {
public:
    std::string Label() const override;
    void SetLabel(const std::string& label) override;

private:
    mutable std::mutex mutex_;
    std::string label_;
};

} // namespace discengine::data
