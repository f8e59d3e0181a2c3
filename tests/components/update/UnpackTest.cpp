#include "UpdateFixtures.h"

#include "support/TempDir.h"
#include "update/Unpack.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace fs = std::filesystem;
using updatetest::ArchiveItem;

namespace {

struct UnpackCase : ::testing::Test {
    testsupport::TempDir dir;
    std::atomic<bool> stop{false};
    std::vector<std::string> items;

    update::UnpackResult Unpack(const std::vector<ArchiveItem>& entries, bool zip = false,
                                update::UnpackLimits limits = {}) {
        const fs::path archive = dir / (zip ? "p.zip" : "p.tar.xz");
        updatetest::WriteArchive(archive, entries, zip);
        return update::UnpackPackage(
            archive, dir / "staging",
            [&](const std::string& item, std::uint64_t, std::uint64_t) { items.push_back(item); },
            stop, limits);
    }
    // Nothing of a refused package is left, and nothing was written outside.
    void ExpectNothingWritten() {
        EXPECT_FALSE(fs::exists(dir / "staging"));
        EXPECT_FALSE(fs::exists(dir / "evil"));
    }
};

} // namespace

TEST_F(UnpackCase, TarAndZipUnpackFilesFoldersLinksAndExecutableBits) {
    for (const bool zip : {false, true}) {
        fs::remove_all(dir / "staging");
        const auto r = Unpack({{"bin/", ArchiveItem::Folder},
                               {"bin/tool", ArchiveItem::File, "#!/bin/sh\n"},
                               {"lib/libx.so.1", ArchiveItem::File, "lib"},
                               {"lib/libx.so", ArchiveItem::Link, "", "libx.so.1"}},
                              zip);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(testsupport::readFile(dir / "staging/bin/tool"), "#!/bin/sh\n");
        EXPECT_EQ(fs::read_symlink(dir / "staging/lib/libx.so"), "libx.so.1");
        EXPECT_EQ(testsupport::readFile(dir / "staging/lib/libx.so"), "lib");
        EXPECT_NE(std::find(items.begin(), items.end(), "lib/libx.so.1"), items.end());
    }
}

TEST_F(UnpackCase, HostileEntriesRefuseTheWholePackage) {
    const std::vector<std::vector<ArchiveItem>> hostile = {
        {{"ok.txt", ArchiveItem::File, "x"}, {"../evil", ArchiveItem::File, "x"}},
        {{"a/../../evil", ArchiveItem::File, "x"}},
        {{"/tmp/evil-absolute", ArchiveItem::File, "x"}},
        {{"etc", ArchiveItem::Link, "", "/etc"}},
        {{"up", ArchiveItem::Link, "", "../.."}},
        {{"a/b", ArchiveItem::Link, "", "../../x"}},
        // A link that stays inside, then a write through it.
        {{"d", ArchiveItem::Link, "", "."}, {"d/x", ArchiveItem::Link, "", ".."}},
        {{"d", ArchiveItem::Link, "", "sub"}, {"d/passwd", ArchiveItem::File, "x"}},
        {{"null", ArchiveItem::Device}},
        {{"a", ArchiveItem::File, "x"}, {"b", ArchiveItem::HardLink, "", "/etc/passwd"}},
        {{"same", ArchiveItem::File, "1"}, {"same", ArchiveItem::Link, "", "/etc/passwd"}},
    };
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        const auto r = Unpack(hostile[i]);
        EXPECT_FALSE(r.ok) << "case " << i;
        EXPECT_FALSE(r.error.empty()) << "case " << i;
        ExpectNothingWritten();
    }
}

TEST_F(UnpackCase, ZipSlipInAZipIsRefusedToo) {
    const auto r = Unpack({{"../evil", ArchiveItem::File, "x"}}, true);
    EXPECT_FALSE(r.ok);
    ExpectNothingWritten();
}

TEST_F(UnpackCase, OverLargeSizesAndCorruptArchivesAreRefused) {
    update::UnpackLimits limits;
    limits.maxEntryBytes = 1000;
    limits.maxTotalBytes = 1500;
    EXPECT_FALSE(Unpack({{"big", ArchiveItem::File, std::string(2000, 'b')}}, false, limits).ok);
    EXPECT_FALSE(Unpack({{"a", ArchiveItem::File, std::string(800, 'a')},
                         {"b", ArchiveItem::File, std::string(800, 'b')}},
                        false, limits)
                     .ok);
    ExpectNothingWritten();

    updatetest::WriteArchive(dir / "good.tar.xz",
                             {{"a", ArchiveItem::File, std::string(5000, 'a')}});
    std::string bytes = testsupport::readFile(dir / "good.tar.xz");
    testsupport::writeFile(dir / "cut.tar.xz", bytes.substr(0, bytes.size() / 2));
    testsupport::writeFile(dir / "junk.tar.xz", std::string(3000, '\x07'));
    for (const char* name : {"cut.tar.xz", "junk.tar.xz"}) {
        const auto r = update::UnpackPackage(dir / name, dir / "staging", {}, stop);
        EXPECT_FALSE(r.ok) << name;
        ExpectNothingWritten();
    }
}

TEST_F(UnpackCase, FullDiskWhileUnpackingGivesAnErrorAndLeavesNothing) {
    updatetest::WriteArchive(dir / "p.tar.xz",
                             {{"small", ArchiveItem::File, "s"},
                              {"big", ArchiveItem::File, std::string(256 * 1024, 'z')}});
    // A file size limit makes the disk "full" for this process: writes fail with EFBIG.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto r = update::UnpackPackage(dir / "p.tar.xz", dir / "staging", {}, stop);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("disk full"), std::string::npos) << r.error;
    ExpectNothingWritten();
}
