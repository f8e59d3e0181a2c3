#include "SampleDataDisc.h"

#include "discengine/Errors.h"
#include "isofs/FileLayout.h"
#include "isofs/ImageWriter.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine::data {
namespace {

// A fixed moment, so every default store holds the same disc.
constexpr std::int64_t kSampleTime = 1700000000; // 2023-11-14 22:13:20 UTC

struct SampleFile {
    const char* imagePath;
    std::string content;
};

std::string Pattern(std::size_t bytes) {
    std::string text;
    text.reserve(bytes);
    for (std::size_t i = 0; text.size() < bytes; ++i)
        text += "Line " + std::to_string(i) + " of the sample data disc.\n";
    text.resize(bytes);
    return text;
}

std::vector<SampleFile> Files() {
    return {
        {"\\Readme.txt", "This is the sample data disc of the virtual drive.\n"
                         "It holds a few folders and files in ISO9660, Joliet and UDF.\n"},
        {"\\Documents\\Letter to a friend.txt", "Dear friend,\nthe disc works.\n"},
        {"\\Documents\\Notes.txt", Pattern(5000)},
        {"\\Documents\\Archive\\2023 report.txt", Pattern(70000)},
        {"\\Pictures\\Holiday\\Beach.raw", Pattern(300000)},
        {"\\Pictures\\Sunset.raw", Pattern(120000)},
        {"\\Music\\Playlist.m3u", "#EXTM3U\nTrack01.cda\nTrack02.cda\n"},
    };
}

class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = (fs::path(tmp && *tmp ? tmp : "/tmp") / "platterly-sample-XXXXXX");
        if (!::mkdtemp(pattern.data()))
            throw EngineError("Cannot create a temporary folder for the sample data disc");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

} // namespace

void InsertSampleDataDisc(const VirtualStore& store, char letter) {
    TempFolder temp;
    isofs::FileLayout layout;
    int index = 0;
    for (const auto& file : Files()) {
        fs::path source = temp.path() / ("file" + std::to_string(index++));
        std::ofstream(source, std::ios::binary) << file.content;
        fs::last_write_time(source, std::chrono::file_clock::from_sys(
                                        std::chrono::system_clock::from_time_t(kSampleTime)));
        layout.addItem(source.string(), file.imagePath);
    }
    isofs::ImageOptions options;
    options.fileSystems = isofs::fsIso9660 | isofs::fsJoliet | isofs::fsUdf;
    options.volumeLabel = "SAMPLE DATA";
    options.useFileDate = true;
    options.writeTime = kSampleTime;
    auto plan = isofs::ImagePlan::build(layout, options);
    fs::path image = temp.path() / "sample.iso";
    auto result = isofs::writeImageFile(plan, layout.opener(), image);
    if (result.status != isofs::WriteResult::Status::Completed)
        throw EngineError("Cannot make the sample data disc: " + result.message);
    store.InsertImage(letter, image);
}

} // namespace discengine::data
