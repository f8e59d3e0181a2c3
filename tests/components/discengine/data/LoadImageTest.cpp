// Loading image files made by genisoimage and refusing what is no image.
#include "DataFixture.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

TEST(LoadImage, GarbageAndMissingFilesAreRefusedAndTheLayoutStays) {
    Fixture f;
    testsupport::writeFile(f.dir / "a.txt", "a");
    f.image->Layout()->AddItem((f.dir / "a.txt").string(), "\\a.txt");
    testsupport::writeFile(f.dir / "junk.iso", Pattern(100000, 4));
    EXPECT_FALSE(f.image->LoadImageFile(f.dir / "junk.iso", 3));
    EXPECT_FALSE(f.image->LoadImageFile(f.dir / "missing.iso", 3));
    testsupport::writeFile(f.dir / "short.iso", std::string(10, 'x'));
    EXPECT_FALSE(f.image->LoadImageFile(f.dir / "short.iso", 3));
    EXPECT_TRUE(f.image->Layout()->FindItem("\\a.txt"));
    EXPECT_FALSE(f.image->WriteImageFileToDevice(f.dir / "junk.iso", f.engine->FindDevice('E')));
}

class LoadGenisoimage : public ::testing::TestWithParam<std::string> {};

TEST_P(LoadGenisoimage, TreeAndLabelComeBack) {
    if (!HaveTool("genisoimage"))
        GTEST_SKIP() << "genisoimage is not installed";
    Fixture f;
    fs::create_directories(f.dir / "t" / "docs" / "old");
    testsupport::writeFile(f.dir / "t" / "readme.txt", "hi");
    testsupport::writeFile(f.dir / "t" / "docs" / "old" / "notes.txt", Pattern(9000, 1));
    fs::path iso = f.dir / "g.iso";
    std::string log;
    ASSERT_EQ(datatest::Run("genisoimage -quiet " + GetParam() + " -V BACKUP -o " + iso.string() +
                                " " + (f.dir / "t").string(),
                            &log),
              0)
        << log;
    ASSERT_TRUE(f.image->LoadImageFile(iso, 3));
    EXPECT_EQ(f.image->Volume()->Label(), "BACKUP");
    auto layout = f.image->Layout();
    // Joliet or UDF keep the names as they were; plain ISO9660 has d-characters.
    auto notes =
        layout->FindItem(GetParam().empty() ? "\\DOCS\\OLD\\NOTES.TXT" : "\\docs\\old\\notes.txt");
    ASSERT_TRUE(notes) << GetParam();
    EXPECT_EQ(notes->Size(), 9000u);
    EXPECT_TRUE(layout->Root()->Child(0)->IsFolder() || layout->Root()->Child(1)->IsFolder());
    // The loaded image burns as it is.
    EXPECT_EQ(f.image->ImageSize(), fs::file_size(iso));
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "copy.iso"));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    EXPECT_EQ(testsupport::readFile(f.dir / "copy.iso"), testsupport::readFile(iso));

    // Burned with verification: every file of the disc matches the same file of the image.
    f.Store().InsertBlank('E', kMediaCDR);
    auto e = f.engine->FindDevice('E');
    e->Refresh(false);
    Recorder burn;
    f.engine->SetListener(&burn);
    f.image->SetAutoVerify(true);
    ASSERT_TRUE(f.image->WriteImageFileToDevice(iso, e));
    EXPECT_EQ(burn.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    int matched = -1;
    for (const auto& ev : burn.Events())
        if (ev.kind == "verifycomplete")
            matched = ev.b;
    EXPECT_EQ(matched, 2);
    EXPECT_EQ(e->Volume()->Label(), "BACKUP");
}

INSTANTIATE_TEST_SUITE_P(Options, LoadGenisoimage,
                         ::testing::Values(std::string(), std::string("-J"), std::string("-J -udf"),
                                           std::string("-udf")));

TEST(LoadImage, HostileUdfFileEntriesAreRefusedNeverReadOutsideTheDisc) {
    Fixture f;
    testsupport::writeFile(f.dir / "far.bin", Pattern(10000, 1));
    testsupport::writeFile(f.dir / "huge.bin", Pattern(5000, 2));
    testsupport::writeFile(f.dir / "fine.txt", "fine");
    for (const char* name : {"far.bin", "huge.bin", "fine.txt"})
        f.image->Layout()->AddItem((f.dir / name).string(), std::string("\\") + name);
    f.image->SetFileSystems(4);
    fs::path iso = f.dir / "u.iso";
    ASSERT_TRUE(f.image->WriteToImageFile(iso));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    // far.bin's extent points far past the end; huge.bin claims 1 TiB of data.
    ASSERT_TRUE(PatchUdfFileEntry(iso, 10000, [](unsigned char* p) {
        p[176 + 4] = 0xF0, p[176 + 5] = 0xFF, p[176 + 6] = 0xFF, p[176 + 7] = 0x00;
    }));
    ASSERT_TRUE(PatchUdfFileEntry(iso, 5000, [](unsigned char* p) {
        for (int i = 0; i < 8; ++i)
            p[56 + i] = i == 5 ? 1 : 0; // 2^40 bytes
    }));
    auto volume = f.InsertDisc(iso);
    auto sink = [](const char*, std::size_t) { return true; };
    EXPECT_EQ(volume->List("\\").size(), 3u);
    EXPECT_THROW(volume->ReadFile("\\far.bin", sink), EngineError);
    EXPECT_THROW(volume->ReadFile("\\huge.bin", sink), EngineError);
    EXPECT_THROW(volume->CopyFile("\\far.bin", f.dir / "far.copy"), EngineError);
    EXPECT_FALSE(fs::exists(f.dir / "far.copy"));
    // The copy goes through a hidden temporary file beside the target; a failed copy removes it.
    for (const auto& entry : fs::directory_iterator(f.dir.path()))
        EXPECT_NE(entry.path().filename().string().rfind(".far.copy.", 0), 0u) << entry.path();
    std::string fine;
    volume->ReadFile("\\fine.txt", [&](const char* d, std::size_t n) {
        fine.append(d, n);
        return true;
    });
    EXPECT_EQ(fine, "fine");
    EXPECT_THROW(volume->List("\\..\\"), EngineError);
    // The engine's own copy from such a disc refuses the unreadable source when it is added,
    // instead of inventing bytes.
    auto layout = f.image->Layout();
    layout->Clear();
    EXPECT_THROW(layout->AddItem("E:\\far.bin", "\\far.bin"), EngineError);
    EXPECT_EQ(layout->Root()->ChildCount(), 0);
}

// A file over 4 GiB is recorded in ISO9660 as several extents, one directory record each. The
// same structure in a small image: A.BIN's record is marked "more extents follow" and B.BIN's
// record renamed to A.BIN, so A.BIN is 'a' * 2048 followed by 'b' * 2048.
TEST(LoadImage, FileInSeveralExtentsReadsWholeThroughTheVolumeLayerAndTheLoader) {
    Fixture f;
    testsupport::writeFile(f.dir / "a.bin", std::string(2048, 'a'));
    testsupport::writeFile(f.dir / "b.bin", std::string(2048, 'b'));
    f.image->Layout()->AddItem((f.dir / "a.bin").string(), "\\A.BIN");
    f.image->Layout()->AddItem((f.dir / "b.bin").string(), "\\B.BIN");
    f.image->SetFileSystems(1);
    fs::path iso = f.dir / "m.iso";
    ASSERT_TRUE(f.image->WriteToImageFile(iso));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);

    ASSERT_EQ(PatchIsoRootRecords(iso,
                                  [](char* record, const std::string& name) {
                                      if (name == "A.BIN;1")
                                          record[25] = static_cast<char>(record[25] | 0x80);
                                      else if (name == "B.BIN;1")
                                          record[33] = 'A';
                                      return name == "A.BIN;1" || name == "B.BIN;1";
                                  }),
              2);
    auto volume = f.InsertDisc(iso);
    auto root2 = volume->List("\\");
    ASSERT_EQ(root2.size(), 1u);
    EXPECT_EQ(root2[0].size, 4096u);
    std::string read;
    volume->ReadFile("\\a.bin", [&](const char* d, std::size_t n) {
        read.append(d, n);
        return true;
    });
    EXPECT_EQ(read, std::string(2048, 'a') + std::string(2048, 'b'));
    ASSERT_TRUE(f.image->LoadImageFile(iso, 1));
    auto item = f.image->Layout()->FindItem("\\A.BIN");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Size(), 4096u);
}
