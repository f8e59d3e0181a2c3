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
}

INSTANTIATE_TEST_SUITE_P(Options, LoadGenisoimage,
                         ::testing::Values(std::string(), std::string("-J"),
                                           std::string("-J -udf")));
