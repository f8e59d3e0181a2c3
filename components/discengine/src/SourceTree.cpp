#include "discengine/SourceTree.h"

#include "discengine/DataImage.h"
#include "isofs/NativeTree.h"

namespace discengine {
namespace {

class LayoutTarget final : public isofs::TreeTarget {
public:
    LayoutTarget(IFileLayoutX& layout, const SkippedEntryHandler& skipped)
        : layout_(layout), skipped_(skipped) {}
    std::optional<Item> itemAt(const std::string& imagePath) override {
        auto item = layout_.FindItem(imagePath);
        if (!item)
            return std::nullopt;
        return Item{item->IsFolder(), item->SourcePath()};
    }
    void addFolder(const std::string& name, const std::string& imagePath) override {
        layout_.AddItem(name, imagePath);
    }
    void addFile(const std::string& nativePath, const std::string& imagePath) override {
        layout_.AddItem(nativePath, imagePath);
    }
    void skipped(const std::string& nativePath, const std::string& message) override {
        if (skipped_)
            skipped_(nativePath, message);
    }

private:
    IFileLayoutX& layout_;
    const SkippedEntryHandler& skipped_;
};

} // namespace

bool AddSourceTree(IFileLayoutX& layout, const std::filesystem::path& folder,
                   const std::string& imagePath, const SkippedEntryHandler& skipped) {
    LayoutTarget target(layout, skipped);
    return isofs::addNativeTree(folder, imagePath, target);
}

std::string ImageNameOf(const std::string& nativeName) {
    return isofs::imageNameOf(nativeName);
}

} // namespace discengine
