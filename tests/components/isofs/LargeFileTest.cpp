#include "ReadBack.h"
#include "isofs/ImageReader.h"
#include "isofs/ImageWriter.h"
#include "isofs/Sink.h"
#include "isofs/TargetFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace isofs;
using namespace isofstest;
using testsupport::TempDir;

namespace {

// Keeps the test image sparse: blocks of zeros become holes instead of gigabytes on disk.
class SparseSink : public OutputSink {
public:
    explicit SparseSink(int fd) : fd_(fd) {}
    void write(const void* data, std::size_t bytes) override {
        auto* p = static_cast<const char*>(data);
        for (std::size_t at = 0; at < bytes; at += 2048) {
            std::size_t n = std::min<std::size_t>(2048, bytes - at);
            static const char zeros[2048] = {};
            bool zero = std::memcmp(p + at, zeros, n) == 0;
            if (!zero) {
                ASSERT_EQ(::pwrite(fd_, p + at, n, static_cast<off_t>(offset_)),
                          static_cast<ssize_t>(n));
            }
            offset_ += n;
        }
    }
    void flush() override { ASSERT_EQ(::ftruncate(fd_, static_cast<off_t>(offset_)), 0); }

private:
    int fd_;
    std::uint64_t offset_ = 0;
};

void putAt(const std::filesystem::path& f, std::uint64_t offset, const std::string& text) {
    int fd = ::open(f.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, text.data(), text.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(text.size()));
    ::close(fd);
}

} // namespace

// A file over 4 GiB: several extents in ISO9660 and Joliet, several allocation descriptors in
// UDF, read back at its start, across the first extent boundary and at its very end.
TEST(LargeFile, OverFourGiBInEveryFileSystem) {
    TempDir dir;
    const std::uint64_t size = 5ull * 1024 * 1024 * 1024 + 123;
    const std::uint64_t boundary = 0xFFFFF800ull; // first ISO9660 extent ends here
    auto big = dir / "big.bin";
    {
        int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ::close(fd);
    }
    putAt(big, 0, "HEAD");
    putAt(big, boundary - 2, "MID!");
    putAt(big, size - 4, "TAIL");
    testsupport::writeFile(dir / "small.txt", "small");

    FileLayout layout;
    layout.addItem(big.string(), "\\big.bin");
    layout.addItem((dir / "small.txt").string(), "\\small.txt");
    EXPECT_EQ(layout.findItem("\\big.bin")->size(), size);
    ImageOptions options;
    options.fileSystems = 7;
    options.volumeLabel = "BIG";
    auto plan = ImagePlan::build(layout, options);
    auto image = dir / "big.iso";
    {
        TargetFile target(image);
        SparseSink sink(target.fd());
        auto r = writeImage(plan, layout.opener(), sink);
        ASSERT_EQ(r.status, WriteResult::Status::Completed) << r.message;
        target.commit();
    }
    EXPECT_EQ(std::filesystem::file_size(image), plan.imageBlocks() * kBlockSize);

    auto joliet = readWithIso9660(image, true, 0);
    EXPECT_EQ(joliet.sizes.at("/big.bin"), size);
    EXPECT_EQ(readWithIso9660(image, false, 0).sizes.at("/BIG.BIN"), size);
    EXPECT_EQ(isoFileBytes(image, "/big.bin", 0, 4), "HEAD");
    EXPECT_EQ(isoFileBytes(image, "/big.bin", boundary - 2, 2), "MI");
    EXPECT_EQ(isoFileBytes(image, "/big.bin", boundary, 2), "D!");
    EXPECT_EQ(isoFileBytes(image, "/big.bin", size - 4, 4), "TAIL");
    EXPECT_EQ(isoFileBytes(image, "/small.txt", 0, 5), "small");

    auto udf = readWithUdf(image, 0);
    EXPECT_EQ(udf.sizes.at("/big.bin"), size);
    EXPECT_EQ(udfFileBytes(image, "big.bin", size - 4, 4), "TAIL");

    std::string out;
    ASSERT_EQ(run("xorriso -indev " + quote(image.string()) + " -find / -exec lsdl --", &out), 0);
    EXPECT_NE(out.find(std::to_string(size)), std::string::npos) << out;
    ASSERT_EQ(run("udfinfo " + quote(image.string()), &out), 0);

    auto loaded = readImageFile(image);
    ASSERT_EQ(loaded.root.children.size(), 2u);
    const auto& entry = loaded.root.children[0].name == "big.bin" ? loaded.root.children[0]
                                                                  : loaded.root.children[1];
    EXPECT_EQ(entry.size, size);
    EXPECT_EQ(entry.extents.size(), 2u);
}
