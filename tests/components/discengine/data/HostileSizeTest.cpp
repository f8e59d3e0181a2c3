// Discs whose entries claim more than the disc holds: refused with a reason wherever the engine
// meets them (volume layer, layout, image loading, copies), never computed with.
#include "DataFixture.h"
#include "Readers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

namespace {

constexpr std::uint64_t kHuge = 1ull << 60;

// Writes a.txt (777 bytes) and b.txt through the engine with the given file systems.
fs::path WriteTwoFiles(Fixture& f, int fileSystems, const std::string& name) {
    testsupport::writeFile(f.dir / "a.txt", Pattern(777, 1));
    testsupport::writeFile(f.dir / "b.txt", "bee");
    auto layout = f.image->Layout();
    layout->Clear();
    layout->AddItem((f.dir / "a.txt").string(), "\\a.txt");
    layout->AddItem((f.dir / "b.txt").string(), "\\b.txt");
    f.image->SetFileSystems(fileSystems);
    fs::path iso = f.dir / name;
    EXPECT_TRUE(f.image->WriteToImageFile(iso));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    return iso;
}

} // namespace

TEST(HostileSize, UdfFileClaimingTwoToTheSixtyBytesIsRefusedWithItsReason) {
    Fixture f;
    fs::path iso = WriteTwoFiles(f, 4, "huge.iso");
    ASSERT_TRUE(SetUdfFileLength(iso, 777, kHuge));
    auto volume = f.InsertDisc(iso);

    // Listed, so the user sees it, but with no size and the reason.
    auto listed = volume->List("\\");
    ASSERT_EQ(listed.size(), 2u);
    auto stat = volume->Stat("\\a.txt");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->size, 0u);
    EXPECT_NE(stat->problem.find("more than the disc holds"), std::string::npos) << stat->problem;
    EXPECT_EQ(volume->Stat("\\b.txt")->size, 3u);
    EXPECT_TRUE(volume->Stat("\\b.txt")->problem.empty());
    try {
        volume->ReadFile("\\a.txt", [](const char*, std::size_t) { return true; });
        ADD_FAILURE() << "read a file that claims 2^60 bytes";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("1152921504606846976"), std::string::npos);
    }

    // A copy out of the disc fails and leaves nothing, not even its temporary file.
    fs::create_directories(f.dir / "copies");
    EXPECT_THROW(volume->CopyFile("\\a.txt", f.dir / "copies" / "a.txt"), EngineError);
    EXPECT_TRUE(NamesIn(f.dir / "copies").empty());
    volume->CopyFile("\\b.txt", f.dir / "copies" / "b.txt");
    EXPECT_EQ(NamesIn(f.dir / "copies"), std::vector<std::string>{"b.txt"});

    // The layout refuses it as a source, naming it; its neighbour goes in and the image size
    // stays what the neighbour needs.
    auto layout = f.image->Layout();
    layout->Clear();
    try {
        layout->AddItem("E:\\a.txt", "\\a.txt");
        ADD_FAILURE() << "a 2^60-byte source was accepted";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("E:\\a.txt"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("more than the disc holds"), std::string::npos);
    }
    layout->AddItem("E:\\b.txt", "\\b.txt");
    f.image->SetFileSystems(7);
    EXPECT_LT(f.image->ImageSize(), 2u << 20);

    // Loading the image file drops the entry with a warning; the rest loads.
    ASSERT_TRUE(f.image->LoadImageFile(iso, 4));
    EXPECT_EQ(layout->FindItem("\\a.txt"), nullptr);
    ASSERT_NE(layout->FindItem("\\b.txt"), nullptr);
}

// ISO9660 lists a file over 4 GiB as several records of one name. A hostile folder repeats one
// small extent until the file claims far more than the image holds: each extent is inside the
// image, the sum is not.
TEST(HostileSize, IsoFileWhoseExtentsAddUpToMoreThanTheDiscIsRefused) {
    Fixture f;
    auto layout = f.image->Layout();
    const std::string names = "ABCDEFGHIJ";
    for (char c : names) {
        std::string name = std::string(1, c) + ".BIN";
        testsupport::writeFile(f.dir / name, c == 'A' ? Pattern(40 * 2048, 5) : "x");
        layout->AddItem((f.dir / name).string(), "\\" + name);
    }
    f.image->SetFileSystems(1);
    fs::path iso = f.dir / "m.iso";
    ASSERT_TRUE(f.image->WriteToImageFile(iso));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    const std::uint64_t imageBytes = fs::file_size(iso);
    ASSERT_LT(imageBytes, 10u * 40 * 2048);

    // Every record becomes A.BIN's extent, all but the last marked "more extents follow".
    auto both32 = [](char* p, std::uint32_t v) { // little- then big-endian
        for (int i = 0; i < 4; ++i)
            p[i] = p[7 - i] = static_cast<char>(v >> (8 * i));
    };
    std::uint32_t lsnA = 0;
    auto patch = [&](char* record, const std::string& name) {
        if (name.size() != 7 || name.substr(1) != ".BIN;1")
            return false;
        if (name[0] == 'A')
            for (int i = 3; i >= 0; --i)
                lsnA = lsnA << 8 | static_cast<unsigned char>(record[2 + i]);
        both32(record + 2, lsnA);
        both32(record + 10, 40 * 2048);
        if (name[0] != 'J')
            record[25] = static_cast<char>(record[25] | 0x80);
        record[33] = 'A';
        return true;
    };
    ASSERT_EQ(PatchIsoRootRecords(iso, patch), 10);
    auto volume = f.InsertDisc(iso);
    auto listed = volume->List("\\");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].size, 0u);
    EXPECT_NE(listed[0].problem.find("more than the disc holds"), std::string::npos)
        << listed[0].problem;
    EXPECT_THROW(volume->ReadFile("\\a.bin", [](const char*, std::size_t) { return true; }),
                 EngineError);
    EXPECT_THROW(layout->AddItem("E:\\a.bin", "\\a.bin"), EngineError);

    ASSERT_TRUE(f.image->LoadImageFile(iso, 1));
    EXPECT_EQ(layout->Root()->ChildCount(), 0);
}

TEST(HostileSize, CopiesOutOfADiscTakeTheUmaskModeAndLeaveNoTemporaryFile) {
    Fixture f;
    fs::path iso = WriteTwoFiles(f, 3, "plain.iso");
    auto volume = f.InsertDisc(iso);
    fs::create_directories(f.dir / "out");
    const mode_t old = ::umask(027);
    volume->CopyFile("\\a.txt", f.dir / "out" / "a.txt");
    ::umask(022);
    volume->CopyFile("\\b.txt", f.dir / "out" / "b.txt");
    ::umask(old);
    EXPECT_EQ(testsupport::readFile(f.dir / "out" / "a.txt"), Pattern(777, 1));
    EXPECT_EQ(fs::status(f.dir / "out" / "a.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(fs::status(f.dir / "out" / "b.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    // A failed copy (no such file, a folder that is not there) leaves the folder as it was.
    EXPECT_THROW(volume->CopyFile("\\c.txt", f.dir / "out" / "c.txt"), EngineError);
    EXPECT_THROW(volume->CopyFile("\\a.txt", f.dir / "out" / "no" / "a.txt"), EngineError);
    EXPECT_EQ(NamesIn(f.dir / "out"), (std::vector<std::string>{"a.txt", "b.txt"}));
}
