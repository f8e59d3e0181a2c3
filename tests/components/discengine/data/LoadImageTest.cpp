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
