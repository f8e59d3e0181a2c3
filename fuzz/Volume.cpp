// The volume layer on a disc image a user inserts into a virtual drive: the ISO9660/Joliet
// reader and the UDF reader (the engine picks one by what the image holds). Everything the
// volume lists must be reachable, and a read that reports success delivers exactly the size the
// volume states; a copy is either the file's bytes or nothing. Then the disc's files go into a
// new image, as `mkiso X:\ out.iso` does.
#include "DiscToImage.h"
#include "EngineFixture.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <unistd.h>

namespace fs = std::filesystem;
using discengine::EngineError;
using discengine::IDiscVolume;
using discengine::VolumeEntry;

namespace {

// Keeps one input's work small: a hostile image may list the same extent a million times.
struct Budget {
    int entries = 2000;
    int copies = 4;
    std::uint64_t bytes = 16u << 20;
    std::vector<std::string> files;
};

std::string Join(const std::string& folder, const std::string& name) {
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

void CheckCopy(const IDiscVolume& volume, const std::string& path, const std::string* bytes) {
    const fs::path folder = fuzzsupport::Scratch() / "copies";
    const fs::path target = folder / "copy.out";
    fs::create_directories(folder);
    bool copied = true;
    try {
        volume.CopyFile(path, target);
    } catch (const EngineError&) {
        copied = false;
    }
    if (copied) {
        FUZZ_CHECK(bytes, "a copy succeeds only when the read does: " + path);
        FUZZ_CHECK(testsupport::readFile(target) == *bytes, "the copy holds the file: " + path);
    }
    // Nothing but the finished copy may remain: no temporary file, no partial target.
    for (const auto& entry : fs::directory_iterator(folder))
        FUZZ_CHECK(copied && entry.path() == target, "stray file " + entry.path().string());
    fs::remove_all(folder);
}

// Where the volume says a file lies in its image, that range is the file: in-kernel copies of
// a disc's files take it as it stands.
void CheckNativeExtent(const IDiscVolume& volume, const std::string& path, const VolumeEntry& stat,
                       const std::string* bytes) {
    std::optional<discengine::NativeExtent> native;
    try {
        native = volume.NativeExtentOf(path);
    } catch (const EngineError&) {
        return;
    }
    if (!native)
        return;
    FUZZ_CHECK(native->bytes == stat.size, "the extent of " + path + " holds its stated size");
    if (!bytes)
        return;
    std::string inImage(native->bytes, '\0');
    const ssize_t n =
        ::pread(native->fd, inImage.data(), inImage.size(), static_cast<off_t>(native->offset));
    FUZZ_CHECK(n == static_cast<ssize_t>(inImage.size()) && inImage == *bytes,
               "the extent of " + path + " holds the bytes the volume reads");
}

void ReadWhole(const IDiscVolume& volume, const std::string& path, const VolumeEntry& stat,
               Budget& budget) {
    const bool keep = budget.copies > 0 && stat.size <= (1u << 20);
    std::string bytes;
    std::uint64_t got = 0;
    bool complete = false;
    try {
        complete = volume.ReadFile(path, [&](const char* data, std::size_t size) {
            got += size;
            if (keep)
                bytes.append(data, size);
            return got <= budget.bytes;
        });
    } catch (const EngineError&) {
    }
    if (complete)
        FUZZ_CHECK(got == stat.size, path + " read " + std::to_string(got) + " bytes of " +
                                         std::to_string(stat.size));
    budget.bytes -= std::min(got, budget.bytes);
    CheckNativeExtent(volume, path, stat, complete && keep ? &bytes : nullptr);
    if (keep) {
        --budget.copies;
        CheckCopy(volume, path, complete ? &bytes : nullptr);
    }
}

void Walk(const IDiscVolume& volume, const std::string& folder, Budget& budget) {
    std::vector<VolumeEntry> entries;
    try {
        entries = volume.List(folder);
    } catch (const EngineError&) {
        return;
    }
    for (const auto& entry : entries) {
        if (--budget.entries < 0 || budget.bytes == 0)
            return;
        FUZZ_CHECK(fuzzsupport::PlainName(entry.name),
                   "a listed name is a plain name: " + entry.name);
        const std::string path = Join(folder, entry.name);
        std::optional<VolumeEntry> stat;
        try {
            stat = volume.Stat(path);
        } catch (const EngineError&) {
            continue; // a folder loop, refused when it is reached
        }
        FUZZ_CHECK(stat, "a listed entry can be looked up: " + path);
        if (stat->isFolder)
            Walk(volume, path, budget);
        else {
            ReadWhole(volume, path, *stat, budget);
            budget.files.push_back(path);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto device = fuzzsupport::Drive('F');
    const fs::path image = fuzzsupport::Scratch() / "inserted.iso";
    fuzzsupport::WriteInput(image, data, size);
    std::shared_ptr<IDiscVolume> volume;
    try {
        fuzzsupport::Store().InsertImage('F', image);
        device->Refresh(true);
        volume = device->Volume();
        volume->Label();
        volume->TotalSize();
    } catch (const EngineError& e) {
        fuzzsupport::Note(e.what());
        return 0;
    }
    Budget budget;
    Walk(*volume, "\\", budget);
    fuzzsupport::CheckDiscToImage('F', budget.files);
    return 0;
}
