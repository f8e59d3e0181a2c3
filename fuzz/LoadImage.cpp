// The data image's LoadImageFile on a hostile image file, then what a user does next: look at
// the layout and add to it, which makes the engine lay the loaded entries out again (files known
// only from the image are refused there with a message; folders and empty trees are laid out).
// The layout only holds plain names that lead back to their items, and an image never comes out
// smaller than the file data it has to hold.
#include "EngineFixture.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <limits>

namespace fs = std::filesystem;
using discengine::EngineError;
using discengine::IDataItemX;
using discengine::IFileLayoutX;

namespace {

constexpr std::int32_t kAllFileSystems = 7; // ISO9660 + Joliet + UDF

struct Walked {
    int budget = 4000;
    std::uint64_t fileBytes = 0;
    bool overflow = false;
};

void Walk(IFileLayoutX& layout, const IDataItemX& folder, Walked& walked) {
    for (std::int32_t i = 0; i < folder.ChildCount() && --walked.budget >= 0; ++i) {
        auto item = folder.Child(i);
        FUZZ_CHECK(item, "every counted child exists");
        const std::string name = item->Name();
        FUZZ_CHECK(fuzzsupport::PlainName(name), "a loaded name is a plain name: " + name);
        auto found = layout.FindItem(item->ImagePath());
        FUZZ_CHECK(found && found->IsFolder() == item->IsFolder() && found->Size() == item->Size(),
                   "an item is found by its own path: " + item->ImagePath());
        if (item->IsFolder()) {
            Walk(layout, *item, walked);
        } else if (walked.fileBytes > std::numeric_limits<std::uint64_t>::max() - item->Size()) {
            walked.overflow = true;
        } else {
            walked.fileBytes += item->Size();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = fuzzsupport::Engine().DataImage();
    auto layout = image->Layout();
    const fs::path file = fuzzsupport::Scratch() / "loaded.iso";
    fuzzsupport::WriteInput(file, data, size);
    layout->Clear();
    if (!image->LoadImageFile(file, kAllFileSystems)) {
        fuzzsupport::Note("the image is refused");
        return 0;
    }
    Walked walked;
    Walk(*layout, *layout->Root(), walked);
    try {
        image->ImageSize(); // the loaded file itself
        layout->AddItem("", "\\Added by the user");
        const std::uint64_t laidOut = image->ImageSize();
        FUZZ_CHECK(walked.overflow || laidOut >= walked.fileBytes,
                   "the image holds its files: " + std::to_string(laidOut) + " bytes for " +
                       std::to_string(walked.fileBytes) + " bytes of files");
    } catch (const EngineError& e) {
        fuzzsupport::Note(e.what()); // refused with a message: what a hostile image should get
    }
    return 0;
}
