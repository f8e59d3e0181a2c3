#include "ReadBack.h"
#include "TreeFixture.h"
#include "isofs/Errors.h"
#include "isofs/ImageWriter.h"
#include "isofs/TargetFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace isofs;
using namespace isofstest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::size_t entriesIn(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
}

struct Fixture {
    TempDir dir;
    FileLayout layout;
    std::filesystem::path out;
    Fixture() {
        std::filesystem::create_directories(dir / "src" / "docs");
        std::filesystem::create_directories(dir / "out");
        writeFile(dir / "src" / "a.txt", "alpha");
        writeFile(dir / "src" / "docs" / "b.bin", randomBytes(3 << 20, 7));
        writeFile(dir / "src" / "c.txt", "gamma");
        addTree(layout, dir / "src", "");
        out = dir / "out";
        writeFile(out / "target.iso", "the previous image");
    }
};

struct CancelAfterFirstFile : WriteObserver {
    std::atomic<bool>* flag;
    explicit CancelAfterFirstFile(std::atomic<bool>* f) : flag(f) {}
    void fileStarted(std::uint64_t index, std::uint64_t, const std::string&,
                     const std::string&) override {
        if (index == 1)
            *flag = true;
    }
};

} // namespace

TEST(WriteFailures, DiskFullIsAnOutputErrorAndKeepsTheOldTarget) {
    Fixture f;
    auto plan = ImagePlan::build(f.layout, {});
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            1 << 20, 1 << 20
        };
        setrlimit(RLIMIT_FSIZE, &limit);
        auto r = writeImageFile(plan, f.layout.opener(), f.out / "target.iso");
        bool ok = r.status == WriteResult::Status::OutputFailed && r.errnum == EFBIG &&
                  r.sourcePath.empty();
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(f.out / "target.iso"), "the previous image");
    EXPECT_EQ(entriesIn(f.out), 1u);
}

TEST(WriteFailures, FullDeviceReportsNoSpace) {
    Fixture f;
    int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full";
    FdSink sink(fd);
    auto r = writeImage(ImagePlan::build(f.layout, {}), f.layout.opener(), sink);
    ::close(fd);
    EXPECT_EQ(r.status, WriteResult::Status::OutputFailed);
    EXPECT_EQ(r.errnum, ENOSPC);
}

TEST(WriteFailures, CancelLeavesNoOutputAndTheOldTarget) {
    Fixture f;
    std::atomic<bool> cancel{false};
    CancelAfterFirstFile observer(&cancel);
    auto r = writeImageFile(ImagePlan::build(f.layout, {}), f.layout.opener(), f.out / "target.iso",
                            &observer, &cancel);
    EXPECT_EQ(r.status, WriteResult::Status::Cancelled);
    EXPECT_EQ(readFile(f.out / "target.iso"), "the previous image");
    EXPECT_EQ(entriesIn(f.out), 1u);
    auto r2 = writeImageFile(ImagePlan::build(f.layout, {}), f.layout.opener(), f.out / "new.iso",
                             nullptr, &cancel);
    EXPECT_EQ(r2.status, WriteResult::Status::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(f.out / "new.iso"));
}

TEST(WriteFailures, DeletedSourceNamesTheFile) {
    Fixture f;
    auto plan = ImagePlan::build(f.layout, {});
    std::filesystem::remove(f.dir / "src" / "docs" / "b.bin");
    auto r = writeImageFile(plan, f.layout.opener(), f.out / "target.iso");
    EXPECT_EQ(r.status, WriteResult::Status::SourceFailed);
    EXPECT_EQ(r.sourcePath, (f.dir / "src" / "docs" / "b.bin").string());
    EXPECT_EQ(r.imagePath, "\\docs\\b.bin");
    EXPECT_EQ(r.errnum, ENOENT);
    EXPECT_EQ(readFile(f.out / "target.iso"), "the previous image");
    EXPECT_EQ(entriesIn(f.out), 1u);
}

TEST(WriteFailures, SourceChangedAfterItWasAdded) {
    Fixture f;
    auto plan = ImagePlan::build(f.layout, {});
    writeFile(f.dir / "src" / "c.txt", "gamma and more");
    auto r = writeImageFile(plan, f.layout.opener(), f.out / "x.iso");
    EXPECT_EQ(r.status, WriteResult::Status::SourceFailed);
    EXPECT_EQ(r.imagePath, "\\c.txt");
    EXPECT_FALSE(std::filesystem::exists(f.out / "x.iso"));
}

TEST(WriteFailures, IgnoredUnreadableSourceIsWrittenAsZerosWithAWarning) {
    Fixture f;
    ImageOptions options;
    options.ignoreUnreadable = true;
    options.fileSystems = 7;
    auto plan = ImagePlan::build(f.layout, options);
    std::filesystem::remove(f.dir / "src" / "docs" / "b.bin");
    struct Warnings : WriteObserver {
        std::vector<SourceWarning> seen;
        void warning(const SourceWarning& w) override { seen.push_back(w); }
    } observer;
    auto image = f.out / "target.iso";
    auto r = writeImageFile(plan, f.layout.opener(), image, &observer);
    ASSERT_EQ(r.status, WriteResult::Status::Completed) << r.message;
    ASSERT_EQ(r.warnings.size(), 1u);
    ASSERT_EQ(observer.seen.size(), 1u);
    EXPECT_EQ(r.warnings[0].imagePath, "\\docs\\b.bin");
    EXPECT_EQ(r.warnings[0].errnum, ENOENT);
    auto rb = readWithIso9660(image, true);
    EXPECT_EQ(rb.files.at("/docs/b.bin"), std::string(3 << 20, '\0'));
    EXPECT_EQ(rb.files.at("/c.txt"), "gamma");
    EXPECT_EQ(readWithUdf(image).files.at("/c.txt"), "gamma");
}

TEST(TargetFile, RenamesOnlyOnCommit) {
    TempDir dir;
    writeFile(dir / "t", "old");
    {
        TargetFile t(dir / "t");
        ASSERT_EQ(::write(t.fd(), "new", 3), 3);
        EXPECT_EQ(t.temporaryPath().parent_path(), dir.path());
    }
    EXPECT_EQ(readFile(dir / "t"), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    {
        TargetFile t(dir / "t");
        ASSERT_EQ(::write(t.fd(), "new", 3), 3);
        t.commit();
    }
    EXPECT_EQ(readFile(dir / "t"), "new");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    EXPECT_THROW(TargetFile(dir / "no-such-folder" / "t"), OutputError);
}
