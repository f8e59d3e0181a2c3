// platterly-cli on hostile discs and awkward source trees: clear refusals, nothing left behind,
// and images that hold everything that could go in, with a non-zero exit when something could
// not.
#include "DataFixture.h"
#include "Readers.h"
#include "support/Privileges.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

namespace {

// Every path below folder whose name marks an unfinished write.
std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().filename().string().ends_with(".part"))
            found.push_back(entry.path().string());
    return found;
}

// Whether the output has a "left out" line naming path.
bool LeftOut(const std::string& output, const fs::path& path) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("platterly-cli: left out: ") &&
            (line.find(path.string() + " ") != std::string::npos ||
             line.find(path.string() + ":") != std::string::npos))
            return true;
    return false;
}

} // namespace

TEST(CliHardening, DiscFileClaimingTwoToTheSixtyBytesIsRefusedWithoutACrashOrLeftovers) {
    CliFixture f;
    fs::path src = f.dir / "small";
    fs::create_directories(src);
    testsupport::writeFile(src / "a.txt", Pattern(777, 1));
    testsupport::writeFile(src / "b.txt", "bee");
    std::string out;
    ASSERT_EQ(f.Cli("mkiso --fs 4 " + Quote(src) + " " + Quote(f.dir / "u.iso"), &out), 0) << out;
    ASSERT_TRUE(SetUdfFileLength(f.dir / "u.iso", 777, 1ull << 60));
    ASSERT_EQ(f.Cli("insert F: " + Quote(f.dir / "u.iso"), &out), 0) << out;
    ASSERT_EQ(f.Cli("insert E: blank cd-r", &out), 0) << out;

    for (const char* source : {"'F:\\'", "'F:\\a.txt'"}) {
        EXPECT_EQ(f.Cli(std::string("mkiso ") + source + " " + Quote(f.dir / "out.iso"), &out), 1)
            << out;
        EXPECT_NE(out.find("more than the disc holds"), std::string::npos) << out;
        EXPECT_FALSE(fs::exists(f.dir / "out.iso"));
    }
    EXPECT_EQ(f.Cli("burn E: 'F:\\a.txt'", &out), 1) << out;
    EXPECT_NE(out.find("more than the disc holds"), std::string::npos) << out;
    EXPECT_TRUE(Leftovers(f.dir.path()).empty());
    ASSERT_EQ(f.Cli("drives", &out), 0);
    EXPECT_NE(out.find("E: "), std::string::npos);
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.iso"));

    // The disc's other file still copies.
    ASSERT_EQ(f.Cli("mkiso 'F:\\b.txt' " + Quote(f.dir / "b.iso"), &out), 0) << out;
    EXPECT_EQ(ReadIso(f.dir / "b.iso", true)["\\b.txt"], "bee");
}

TEST(CliHardening, BackslashNamesLandBesideTheFilesTheyLookLikeWithTheirOwnBytes) {
    CliFixture f;
    fs::path src = f.dir / "names";
    fs::create_directories(src / "sub");
    testsupport::writeFile(src / "sub" / "real.txt", "the real file");
    testsupport::writeFile(src / "sub\\real.txt", "a backslash in the name");
    testsupport::writeFile(src / "x\\..\\..\\y", "dots");
    testsupport::writeFile(src / "bell\a.txt", "control");
    std::string out;
    ASSERT_EQ(f.Cli("mkiso --fs 7 " + Quote(src) + " " + Quote(f.dir / "n.iso"), &out), 0) << out;
    std::map<std::string, std::string> expected = {
        {"\\sub\\real.txt", "the real file"},
        {"\\sub_real.txt", "a backslash in the name"},
        {"\\x_.._.._y", "dots"},
        {"\\bell_.txt", "control"},
    };
    EXPECT_EQ(ReadIso(f.dir / "n.iso", true), expected);
    EXPECT_EQ(ReadUdf(f.dir / "n.iso"), expected);
    EXPECT_EQ(ExtractWithXorriso(f.dir / "n.iso", f.dir / "x").size(), expected.size());

    // A file named directly keeps the same rule.
    ASSERT_EQ(f.Cli("mkiso " + Quote(src / "sub\\real.txt") + " " + Quote(f.dir / "one.iso"), &out),
              0)
        << out;
    EXPECT_EQ(ReadIso(f.dir / "one.iso", true),
              (std::map<std::string, std::string>{{"\\sub_real.txt", "a backslash in the name"}}));
}

TEST(CliHardening, TreeWithLoopsSpecialFilesAndLockedEntriesIsWrittenWithoutThemAndSaysSo) {
    CliFixture f;
    fs::path src = f.dir / "tree";
    fs::create_directories(src / "docs");
    fs::create_directories(src / "locked");
    testsupport::writeFile(src / "docs" / "report.txt", "report");
    testsupport::writeFile(src / "locked" / "inside.txt", "inside");
    testsupport::writeFile(src / "secret.txt", "secret");
    testsupport::writeFile(f.dir / "elsewhere.txt", "outside the tree");
    fs::create_symlink("loop-b", src / "loop-a");
    fs::create_symlink("loop-a", src / "loop-b");
    fs::create_symlink("/proc/self/mem", src / "mem");
    fs::create_symlink(f.dir / "elsewhere.txt", src / "linked.txt");
    ASSERT_EQ(::mkfifo((src / "pipe").c_str(), 0644), 0);
    fs::permissions(src / "locked", fs::perms::none);
    fs::permissions(src / "secret.txt", fs::perms::none);

    std::string out;
    // Run as a user bound by file permissions, whoever runs the tests.
    EXPECT_EQ(f.Cli("mkiso --fs 7 " + Quote(src) + " " + Quote(f.dir / "t.iso"), &out,
                    testsupport::ObeyFilePermissionsPrefix()),
              1)
        << out;
    for (const char* name : {"loop-a", "loop-b", "mem", "pipe", "locked", "secret.txt"})
        EXPECT_TRUE(LeftOut(out, src / name)) << name << "\n" << out;
    EXPECT_NE(out.find("Permission denied"), std::string::npos) << out;
    EXPECT_NE(out.find("lacks the entries left out"), std::string::npos) << out;
    std::map<std::string, std::string> expected = {
        {"\\docs\\report.txt", "report"},
        {"\\linked.txt", "outside the tree"},
    };
    EXPECT_EQ(ReadIso(f.dir / "t.iso", true), expected);
    EXPECT_EQ(ReadUdf(f.dir / "t.iso"), expected);
    EXPECT_TRUE(Leftovers(f.dir.path()).empty());

    // With nothing left out the same command succeeds.
    fs::permissions(src / "locked", fs::perms::owner_all);
    fs::permissions(src / "secret.txt", fs::perms::owner_read);
    for (const char* name : {"loop-a", "loop-b", "mem", "pipe"})
        fs::remove(src / name);
    ASSERT_EQ(f.Cli("mkiso " + Quote(src) + " " + Quote(f.dir / "t.iso"), &out), 0) << out;
    EXPECT_EQ(ReadIso(f.dir / "t.iso", true).size(), 4u);
}
