#include "DiscToImage.h"

#include "EngineFixture.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <limits>

namespace fs = std::filesystem;
using discengine::EngineError;

namespace fuzzsupport {
namespace {

// Larger images are only laid out, not written: a run should try many inputs, not big files.
constexpr std::uint64_t kMaxWritten = 4u << 20;

// Adds the files; their total size, or nothing when the sum does not fit 64 bits.
std::optional<std::uint64_t> AddFiles(discengine::IFileLayoutX& layout, char letter,
                                      const std::vector<std::string>& discPaths) {
    std::uint64_t total = 0;
    bool overflow = false;
    for (const auto& path : discPaths) {
        std::shared_ptr<discengine::IDataItemX> item;
        try {
            item = layout.AddItem(std::string(1, letter) + ":" + path, path);
        } catch (const EngineError& e) {
            Note(e.what());
            continue;
        }
        FUZZ_CHECK(item, "an added file is in the layout: " + path);
        if (item->Size() > std::numeric_limits<std::uint64_t>::max() - total)
            overflow = true;
        else
            total += item->Size();
    }
    return overflow ? std::nullopt : std::optional(total);
}

} // namespace

void CheckDiscToImage(char letter, const std::vector<std::string>& discPaths) {
    auto image = Engine().DataImage();
    auto layout = image->Layout();
    layout->Clear();
    const auto total = AddFiles(*layout, letter, discPaths);
    std::uint64_t need = 0;
    try {
        need = image->ImageSize();
    } catch (const EngineError& e) {
        Note(e.what());
        return;
    }
    FUZZ_CHECK(!total || need >= *total, "the image holds its files: " + std::to_string(need) +
                                             " bytes for " + std::to_string(*total));
    if (need > kMaxWritten)
        return;
    const fs::path folder = Scratch() / "written";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path out = folder / "out.iso";
    if (image->WriteToImageFile(out))
        Engine().WaitForJobs();
    for (const auto& entry : fs::directory_iterator(folder))
        FUZZ_CHECK(entry.path() == out, "nothing but the image is left: " + entry.path().string());
    if (fs::exists(out))
        FUZZ_CHECK(image->LoadImageFile(out, 7), "our own image reads back");
    layout->Clear();
}

} // namespace fuzzsupport
