#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <set>

using namespace discengine;
namespace fs = std::filesystem;

namespace {
struct IsoFixture {
    testsupport::TempDir dir;
    std::unique_ptr<IDVDEngineX> engine;
    std::shared_ptr<IDeviceX> device;
    std::string big;
    explicit IsoFixture(const std::string& extraArgs = "-J") {
        fs::create_directories(dir / "src/docs/deep");
        testsupport::writeFile(dir / "src/readme.txt", "hello disc\n");
        for (int i = 0; i < 300000; ++i)
            big += static_cast<char>('a' + i % 26);
        testsupport::writeFile(dir / "src/docs/Long File Name.dat", big);
        testsupport::writeFile(dir / "src/docs/deep/x.txt", "x");
        std::string cmd = "genisoimage -quiet -V SAMPLEVOL " + extraArgs + " -o '" +
                          (dir / "disc.iso").string() + "' '" + (dir / "src").string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        engine = CreateEngine({dir / "drives", true});
        EXPECT_TRUE(engine->Initialize(0));
        VirtualStore(dir / "drives").InsertImage('E', dir / "disc.iso");
        device = engine->FindDevice('E');
        device->Refresh(true);
    }
};
} // namespace

TEST(Volume, JolietDataDiscListsReadsAndCopies) {
    IsoFixture f;
    EXPECT_EQ(f.device->DiscInfo()->MediaType(), 255);
    EXPECT_EQ(f.device->TrackFileSystems(1), 3); // ISO9660 + Joliet
    auto volume = f.device->Volume();
    EXPECT_EQ(volume->Label(), "SAMPLEVOL");
    EXPECT_EQ(volume->TotalSize(), fs::file_size(f.dir / "disc.iso"));
    auto root = volume->List("\\");
    std::set<std::string> names;
    for (const auto& e : root)
        names.insert(e.name + (e.isFolder ? "/" : ""));
    EXPECT_EQ(names, (std::set<std::string>{"readme.txt", "docs/"}));
    auto stat = volume->Stat("\\docs\\Long File Name.dat");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->size, f.big.size());
    EXPECT_GT(stat->created.time_since_epoch().count(), 0);
    EXPECT_TRUE(volume->Exists("\\docs\\deep\\x.txt"));
    // Names compare ignoring ASCII case only, as the discs' platform does.
    EXPECT_TRUE(volume->Exists("\\DOCS\\Deep\\X.TXT"));
    EXPECT_FALSE(volume->Exists("\\docs\\deep\\y.txt"));
    EXPECT_FALSE(volume->Exists("\\docs\\missing.txt"));
    fs::path out = f.dir / "copy.dat";
    volume->CopyFile("\\docs\\Long File Name.dat", out);
    EXPECT_EQ(testsupport::readFile(out), f.big);
    EXPECT_THROW(volume->List("\\..\\"), EngineError);
    EXPECT_THROW(volume->CopyFile("\\nope.txt", f.dir / "nope"), EngineError);
    EXPECT_FALSE(fs::exists(f.dir / "nope"));
    // The copies went through hidden temporary files beside their targets; none is left.
    for (const auto& entry : fs::directory_iterator(f.dir.path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    auto parsed = ParseDrivePath("e:\\docs\\deep");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->letter, 'E');
    EXPECT_EQ(volume->List(parsed->path).size(), 1u);
    EXPECT_FALSE(ParseDrivePath("/etc/passwd"));
}

TEST(Volume, TruncatedImageIsRefusedNotFollowedPastItsEnd) {
    IsoFixture f;
    fs::path iso = VirtualStore(f.dir / "drives").FolderOf('E') / "disc.iso";
    // Cut the image inside the big file but keep what medium.ini needs unchanged: the drive
    // notices the truncation and reports no medium.
    fs::resize_file(iso, fs::file_size(iso) - 100 * 2048);
    f.device->Refresh(true);
    EXPECT_EQ(f.device->DiscInfo()->MediaType(), 0);
    EXPECT_THROW(f.device->Volume(), EngineError);
    // An image that claims a size it does not have: shorten medium.ini too.
    MediumState m = ParseMediumIni(testsupport::readFile(iso.parent_path() / "medium.ini"));
    fs::resize_file(iso, 40 * 2048); // keeps the descriptors and folders only
    m.tracks[0].blocks = 40;
    m.capacity = 40;
    testsupport::writeFile(iso.parent_path() / "medium.ini", FormatMediumIni(m));
    f.device->Refresh(true);
    auto volume = f.device->Volume();
    EXPECT_THROW(volume->ReadFile("\\docs\\Long File Name.dat",
                                  [](const char*, std::size_t) { return true; }),
                 EngineError);
    EXPECT_EQ(volume->Stat("\\readme.txt")->size, 11u);
}

TEST(Volume, AudioDiscShowsCdaTracks) {
    testsupport::TempDir dir;
    auto engine = CreateEngine({dir / "drives", true});
    ASSERT_TRUE(engine->Initialize(0));
    auto volume = engine->FindDevice('D')->Volume();
    auto root = volume->List("\\");
    ASSERT_EQ(root.size(), 5u);
    EXPECT_EQ(root[0].name, "Track01.cda");
    EXPECT_EQ(root[0].size, 44u);
    EXPECT_TRUE(volume->Exists("\\track05.cda"));
    std::string cda;
    volume->ReadFile("\\Track02.cda", [&](const char* d, std::size_t n) {
        cda.append(d, n);
        return true;
    });
    ASSERT_EQ(cda.size(), 44u);
    EXPECT_EQ(cda.substr(0, 4), "RIFF");
    EXPECT_EQ(cda[22], 2);
    EXPECT_THROW(engine->FindDevice('E')->Volume(), EngineError); // blank disc
}

TEST(Volume, UdfOnlyImageIsListed) {
    testsupport::TempDir dir;
    fs::create_directories(dir / "src");
    testsupport::writeFile(dir / "src/a.txt", "abc");
    std::string cmd = "genisoimage -quiet -udf -V UDFVOL -o '" + (dir / "u.iso").string() + "' '" +
                      (dir / "src").string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto engine = CreateEngine({dir / "drives", true});
    ASSERT_TRUE(engine->Initialize(0));
    VirtualStore(dir / "drives").InsertImage('E', dir / "u.iso");
    auto device = engine->FindDevice('E');
    device->Refresh(true);
    EXPECT_EQ(device->TrackFileSystems(1), 1 | 4);
}

// An open volume answers from memory between changes of its drive, so each way a disc can leave
// must still reach it, also when the image is changed through another name.
TEST(Volume, AnOpenVolumeNoticesEveryWayItsDiscLeaves) {
    auto readsAfter = [](const std::function<void(IsoFixture&, const fs::path& iso)>& change) {
        IsoFixture f;
        auto volume = f.device->Volume();
        ASSERT_TRUE(volume->Stat("\\readme.txt"));
        const fs::path iso = VirtualStore(f.dir / "drives").FolderOf('E') / "disc.iso";
        change(f, iso);
        EXPECT_THROW(volume->Stat("\\readme.txt"), MediumGoneError);
        EXPECT_THROW(volume->CopyFile("\\docs\\Long File Name.dat", f.dir / "after.dat"),
                     MediumGoneError);
        EXPECT_FALSE(fs::exists(f.dir / "after.dat"));
    };
    readsAfter([](IsoFixture& f, const fs::path&) { f.device->Eject(); });
    readsAfter([](IsoFixture&, const fs::path& iso) { fs::remove(iso); });
    readsAfter([](IsoFixture& f, const fs::path& iso) {
        // Cut short through a second name outside the drive's folder.
        const fs::path other = f.dir / "other-name.iso";
        fs::create_hard_link(iso, other);
        fs::resize_file(other, 20 * 2048);
    });

    // A change in the drive's folder that leaves the disc in place changes nothing.
    IsoFixture f;
    auto volume = f.device->Volume();
    testsupport::writeFile(VirtualStore(f.dir / "drives").FolderOf('E') / "notes.txt", "x");
    fs::path out = f.dir / "copy.dat";
    volume->CopyFile("\\docs\\Long File Name.dat", out);
    EXPECT_EQ(testsupport::readFile(out), f.big);
}

// The drive's pages, jobs and images share one volume while the disc stays; another disc in
// the drive gets a volume of its own, and the old one no longer reads.
TEST(Volume, OneVolumePerDiscInTheDrive) {
    IsoFixture f;
    auto first = f.device->Volume();
    auto again = f.device->Volume();
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(first.get(), f.engine->FindDevice('E')->Volume().get());

    fs::create_directories(f.dir / "src2");
    testsupport::writeFile(f.dir / "src2" / "other.txt", "another disc");
    const std::string cmd = "genisoimage -quiet -J -V OTHERVOL -o '" +
                            (f.dir / "other.iso").string() + "' '" + (f.dir / "src2").string() +
                            "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    VirtualStore(f.dir / "drives").InsertImage('E', f.dir / "other.iso");
    f.device->Refresh(true);
    auto next = f.device->Volume();
    EXPECT_NE(next.get(), first.get());
    EXPECT_EQ(next->Label(), "OTHERVOL");
    EXPECT_TRUE(next->Exists("\\other.txt"));
    EXPECT_THROW(first->Stat("\\readme.txt"), MediumGoneError);
    EXPECT_EQ(f.device->Volume().get(), next.get());
}
