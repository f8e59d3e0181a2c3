// Files that lie in whole blocks of one disc image, one after another, are copied into the new
// image as one range; a disc that fails inside such a range still names the right files.
#include "ReadBack.h"
#include "TreeFixture.h"
#include "isofs/Errors.h"
#include "isofs/ImageWriter.h"
#include "isofs/Sink.h"
#include "isofs/TargetFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace isofs;
using namespace isofstest;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

constexpr std::uint64_t kBlock = 2048;

// A disc image: each source "disc/NAME" is a run of bytes at a block of one file, which ends
// (as a disc taken out would) when the file is cut short.
class DiscOpener : public SourceOpener {
public:
    struct Place {
        std::uint64_t block, size;
    };
    DiscOpener(const std::filesystem::path& image, std::map<std::string, Place> places)
        : fd_(::open(image.c_str(), O_RDONLY | O_CLOEXEC)), places_(std::move(places)) {}
    ~DiscOpener() override { ::close(fd_); }

    SourceInfo stat(const std::string& path) const override {
        SourceInfo info;
        if (auto it = places_.find(path); it != places_.end()) {
            info.exists = true;
            info.size = it->second.size;
        }
        return info;
    }
    std::unique_ptr<SourceReader> open(const std::string& path) const override {
        const Place& p = places_.at(path);
        struct stat st {};
        ::fstat(fd_, &st);
        const std::uint64_t blocks = (p.size + kBlock - 1) / kBlock;
        if (static_cast<std::uint64_t>(st.st_size) < (p.block + blocks) * kBlock)
            throw SourceError(path, ENOMEDIUM, "The disc was taken out");
        return std::make_unique<Reader>(fd_, p.block * kBlock, p.size);
    }

private:
    class Reader : public SourceReader {
    public:
        Reader(int fd, std::uint64_t offset, std::uint64_t size)
            : fd_(fd), offset_(offset), size_(size) {}
        std::size_t read(void* buffer, std::size_t bytes) override {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, size_ - at_));
            const ssize_t n = ::pread(fd_, buffer, want, static_cast<off_t>(offset_ + at_));
            if (n < 0 || (n == 0 && want > 0))
                throw SourceError("disc", EIO, "Read error");
            at_ += static_cast<std::uint64_t>(n);
            return static_cast<std::size_t>(n);
        }
        std::uint64_t size() const override { return size_; }
        std::uint64_t position() const override { return at_; }
        int nativeFd() const override { return fd_; }
        std::uint64_t nativeOffset() const override { return offset_ + at_; }
        void advance(std::uint64_t bytes) override { at_ += bytes; }
        bool wholeBlocks() const override { return at_ == 0; }

    private:
        int fd_;
        std::uint64_t offset_, size_, at_ = 0;
    };

    int fd_;
    std::map<std::string, Place> places_;
};

// Counts the in-kernel copies the writer asks for.
class CountingSink : public FdSink {
public:
    using FdSink::FdSink;
    std::int64_t copyFromFd(int fd, std::uint64_t offset, std::size_t bytes) override {
        ++copies;
        return FdSink::copyFromFd(fd, offset, bytes);
    }
    int copies = 0;
};

// a, b and c lie one after another on the disc (their slack filled with 0xEE, which a reader
// never sees); a block of other data, then d. In the image they follow each other too.
struct Disc {
    TempDir dir;
    std::filesystem::path image = dir / "disc.img";
    std::map<std::string, std::string> content{{"a.bin", randomBytes(3000, 1)},
                                               {"b.bin", randomBytes(2048, 2)},
                                               {"c.bin", randomBytes(10, 3)},
                                               {"d.bin", randomBytes(5000, 4)}};
    std::map<std::string, DiscOpener::Place> places{{"disc/a.bin", {0, 3000}},
                                                    {"disc/b.bin", {2, 2048}},
                                                    {"disc/c.bin", {3, 10}},
                                                    {"disc/d.bin", {5, 5000}}};
    std::shared_ptr<DiscOpener> opener;
    std::unique_ptr<FileLayout> layout;

    Disc() {
        std::string bytes(8 * kBlock, '\xEE');
        for (const auto& [source, place] : places)
            bytes.replace(place.block * kBlock, place.size, content.at(source.substr(5)));
        writeFile(image, bytes);
        opener = std::make_shared<DiscOpener>(image, places);
        layout = std::make_unique<FileLayout>(opener);
        for (const auto& [source, place] : places)
            layout->addItem(source, "\\" + source.substr(5));
    }
};

struct Warnings : WriteObserver {
    std::function<void(std::uint64_t)> onFile;
    std::vector<SourceWarning> seen;
    void fileStarted(std::uint64_t index, std::uint64_t, const std::string&,
                     const std::string&) override {
        if (onFile)
            onFile(index);
    }
    void warning(const SourceWarning& w) override { seen.push_back(w); }
};

} // namespace

TEST(DiscRuns, NeighbouringFilesAreOneCopyAndReadBackExactly) {
    Disc disc;
    ImageOptions options;
    options.fileSystems = fsIso9660 | fsJoliet | fsUdf;
    auto plan = ImagePlan::build(*disc.layout, options);
    const auto out = disc.dir / "out.iso";
    WriteResult result;
    int copies = 0;
    {
        TargetFile file(out);
        CountingSink sink(file.fd());
        result = writeImage(plan, *disc.opener, sink);
        copies = sink.copies;
        file.commit();
    }
    ASSERT_EQ(result.status, WriteResult::Status::Completed) << result.message;
    EXPECT_TRUE(result.warnings.empty());
    // a, b and c in one range; d, behind a block that belongs to none of them, in another.
    EXPECT_EQ(copies, 2);
    for (const auto& rb : {readWithIso9660(out, true), readWithUdf(out)})
        for (const auto& [name, bytes] : disc.content)
            EXPECT_EQ(rb.files.at("/" + name), bytes) << name;
}

TEST(DiscRuns, ADiscThatEndsInsideARunNamesEachFileItCouldNotRead) {
    Disc disc;
    ImageOptions options;
    options.ignoreUnreadable = true;
    options.fileSystems = fsIso9660 | fsJoliet;
    auto plan = ImagePlan::build(*disc.layout, options);
    Warnings observer;
    // a, b and c are waiting to be copied when d starts: the disc now ends inside b.
    observer.onFile = [&](std::uint64_t index) {
        if (index == 3)
            std::filesystem::resize_file(disc.image, 2 * kBlock + 1000);
    };
    const auto out = disc.dir / "out.iso";
    auto r = writeImageFile(plan, *disc.opener, out, &observer);
    ASSERT_EQ(r.status, WriteResult::Status::Completed) << r.message;
    std::vector<std::string> named;
    for (const auto& w : observer.seen) {
        named.push_back(w.imagePath);
        EXPECT_EQ(w.errnum, ENOMEDIUM) << w.imagePath;
    }
    EXPECT_EQ(named, (std::vector<std::string>{"\\b.bin", "\\c.bin", "\\d.bin"}));
    const auto rb = readWithIso9660(out, true);
    EXPECT_EQ(rb.files.at("/a.bin"), disc.content.at("a.bin"));
    // What b had before the disc ended, then zeros.
    EXPECT_EQ(rb.files.at("/b.bin"),
              disc.content.at("b.bin").substr(0, 1000) + std::string(1048, '\0'));
    EXPECT_EQ(rb.files.at("/c.bin"), std::string(10, '\0'));
    EXPECT_EQ(rb.files.at("/d.bin"), std::string(5000, '\0'));

    // Without leave to skip, the first file the disc failed in fails the write.
    options.ignoreUnreadable = false;
    std::filesystem::resize_file(disc.image, 8 * kBlock); // cut again when d starts
    plan = ImagePlan::build(*disc.layout, options);
    auto strict = writeImageFile(plan, *disc.opener, disc.dir / "strict.iso", &observer);
    EXPECT_EQ(strict.status, WriteResult::Status::SourceFailed);
    EXPECT_EQ(strict.sourcePath, "disc/b.bin");
    EXPECT_EQ(strict.imagePath, "\\b.bin");
    EXPECT_FALSE(std::filesystem::exists(disc.dir / "strict.iso"));
}
