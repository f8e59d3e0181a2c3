// platterly-cli copy as a user runs it, on a store of its own, read back independently.
#include "CopyFixture.h"

#include "AudioBurnSupport.h"
#include "Readers.h"
#include "discengine/Disc.h"

namespace fs = std::filesystem;

namespace {

class CopyCli : public ::testing::Test {
protected:
    void SetUp() override { MakeCopyStore(Store()); }
    discengine::VirtualStore Store() const { return discengine::VirtualStore(dir / "drives"); }
    int Cli(const std::string& args, std::string* out) {
        return audioburn::RunCommand("PLATTERLY_DRIVES='" + (dir / "drives").string() +
                                         "' TMPDIR='" + dir.path().string() + "' '" +
                                         PLATTERLY_DIST_DIR + "/platterly-cli' copy " + args,
                                     out);
    }
    fs::path Folder(char letter) const { return Store().FolderOf(letter); }
    // What the copy left in the temporary folder besides the store.
    std::vector<fs::path> Leftovers() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename() != "drives")
                found.push_back(entry.path());
        return found;
    }

    testsupport::TempDir dir;
};

} // namespace

TEST_F(CopyCli, CopiesADataDiscThroughTheImageAndOnTheFly) {
    std::string out;
    ASSERT_EQ(Cli("F: E:", &out), 0) << out;
    EXPECT_NE(out.find("Copied F: to E:."), std::string::npos) << out;
    const auto original = datatest::ReadIso(Folder('F') / "disc.iso", true);
    EXPECT_EQ(datatest::ReadIso(Folder('E') / "disc.iso", true), original);
    EXPECT_TRUE(Leftovers().empty());

    Store().InsertBlank('E', discengine::kMediaCDR);
    ASSERT_EQ(Cli("F: E: --on-the-fly --speed 3528", &out), 0) << out;
    EXPECT_EQ(datatest::ReadIso(Folder('E') / "disc.iso", true), original);
    EXPECT_EQ(datatest::ReadUdf(Folder('E') / "disc.iso"),
              datatest::ReadUdf(Folder('F') / "disc.iso"));
}

TEST_F(CopyCli, CopiesTheSampleAudioCd) {
    std::string out;
    ASSERT_EQ(Cli("D: E:", &out), 0) << out;
    ExpectSameAudio(Folder('D') / "disc.cue", Folder('E') / "disc.cue");
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(CopyCli, RefusesWhatItCannotDo) {
    std::string out;
    // One drive: nobody can swap the discs.
    EXPECT_EQ(Cli("F: F:", &out), 1);
    EXPECT_NE(out.find("are the same drive"), std::string::npos) << out;
    // No disc in the source.
    Store().RemoveMedium('F');
    EXPECT_EQ(Cli("F: E:", &out), 1);
    EXPECT_NE(out.find("There is no disc in the read drive!"), std::string::npos) << out;
    // A destination that is not blank is never written.
    Store().InsertSampleData('F');
    Store().InsertSampleData('E');
    const auto before = datatest::ReadIso(Folder('E') / "disc.iso", true);
    EXPECT_EQ(Cli("F: E: --on-the-fly", &out), 1);
    EXPECT_NE(out.find("The destination disc is not empty!"), std::string::npos) << out;
    EXPECT_EQ(datatest::ReadIso(Folder('E') / "disc.iso", true), before);
    // Arguments it does not know.
    EXPECT_EQ(Cli("F:", &out), 2);
    EXPECT_EQ(Cli("F: E: --speed fast", &out), 2);
    EXPECT_EQ(Cli("F: Q:", &out), 2);
    EXPECT_TRUE(Leftovers().empty());
}
