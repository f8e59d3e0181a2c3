// Native folders walked into a layout: names that would split or collide, entries that cannot
// go into an image, and sources that are no regular files.
#include "isofs/NativeTree.h"
#include "ReadBack.h"
#include "isofs/Errors.h"
#include "isofs/ImageWriter.h"
#include "support/Privileges.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace isofs;
using namespace isofstest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
namespace fs = std::filesystem;

namespace {

// Adds into a layout and keeps what was left out: file name -> why.
struct LayoutTarget {
    explicit LayoutTarget(FileLayout& layout)
        : target(layout, [this](const std::string& path, const std::string& why) {
              left[fs::path(path).filename().string()] = why;
          }) {}
    std::map<std::string, std::string> left;
    LayoutTreeTarget target;
};

// Writes the layout as ISO9660 + Joliet + UDF and reads it back with libiso9660 (Joliet) and
// libudf; both must see the same files.
std::map<std::string, std::string> writeAndRead(const FileLayout& layout, const fs::path& image) {
    ImageOptions options;
    options.fileSystems = fsIso9660 | fsJoliet | fsUdf;
    auto result = writeImageFile(ImagePlan::build(layout, options), layout.opener(), image);
    EXPECT_EQ(result.status, WriteResult::Status::Completed) << result.message;
    auto joliet = readWithIso9660(image, true).files;
    EXPECT_EQ(readWithUdf(image).files, joliet);
    return joliet;
}

void makeFifo(const fs::path& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
}

void makeSocket(const fs::path& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

} // namespace

TEST(NativeTree, SeparatorsAndControlsInNamesAreReplacedSoNoTwoFilesCollide) {
    TempDir dir;
    fs::path src = dir / "src";
    fs::create_directories(src / "sub");
    writeFile(src / "sub" / "real.txt", "the real file");
    writeFile(src / "sub\\real.txt", "a name with a backslash");
    writeFile(src / "sub_real.txt", "already named like the mapped name");
    writeFile(src / "x\\..\\..\\y", "dots between backslashes");
    writeFile(src / "tab\there\x01.txt", "controls");
    writeFile(src / "plain.txt", "plain");
    FileLayout layout;
    LayoutTarget target(layout);
    EXPECT_FALSE(addNativeTree(src, "\\", target.target));
    EXPECT_TRUE(target.left.empty());
    auto files = writeAndRead(layout, dir / "names.iso");
    std::map<std::string, std::string> expected = {
        {"/sub/real.txt", "the real file"},
        {"/sub_real~1.txt", "a name with a backslash"},
        {"/sub_real.txt", "already named like the mapped name"},
        {"/x_.._.._y", "dots between backslashes"},
        {"/tab_here_.txt", "controls"},
        {"/plain.txt", "plain"},
    };
    EXPECT_EQ(files, expected);

    // The same tree added again lands on the same paths; a file the image holds at a mapped
    // name for another source is not replaced.
    EXPECT_FALSE(addNativeTree(src, "\\", target.target));
    EXPECT_EQ(layout.root().childCount(), 6u);
    writeFile(dir / "other.txt", "another source");
    layout.addItem((dir / "other.txt").string(), "\\again\\sub_real~1.txt");
    EXPECT_FALSE(addNativeTree(src, "\\again\\", target.target));
    EXPECT_EQ(layout.findItem("\\again\\sub_real~1.txt")->size(), 14u);
    ASSERT_NE(layout.findItem("\\again\\sub_real~2.txt"), nullptr);
    EXPECT_EQ(layout.findItem("\\again\\sub_real~2.txt")->size(), 23u);
    EXPECT_EQ(layout.findItem("\\again\\sub_real.txt")->size(), 34u);

    // An entry the layout refuses (a file already where the folder would go) is reported and
    // skipped; the rest still goes in.
    FileLayout clash;
    clash.addItem((dir / "other.txt").string(), "\\sub");
    LayoutTarget clashTarget(clash);
    EXPECT_TRUE(addNativeTree(src, "", clashTarget.target));
    ASSERT_EQ(clashTarget.left.size(), 1u);
    EXPECT_NE(clashTarget.left["sub"].find("\\sub"), std::string::npos) << clashTarget.left["sub"];
    EXPECT_EQ(clash.root().childCount(), 6u);
    EXPECT_FALSE(clash.findItem("\\sub")->isFolder());

    EXPECT_EQ(imageNameOf("a\\b\x7F\x1F\n.txt"), "a_b___.txt");
    EXPECT_EQ(imageNameOf("caf\xC3\xA9 \xE2\x98\x83.txt"), "caf\xC3\xA9 \xE2\x98\x83.txt");
}

TEST(NativeTree, SpecialFilesAndLinksAreLeftOutWithTheirReasonAndTheRestIsWritten) {
    TempDir dir;
    fs::path src = dir / "src";
    fs::create_directories(src / "sub");
    fs::create_directories(dir / "outside");
    writeFile(src / "keep.txt", "keep");
    writeFile(src / "sub" / "inner.txt", "inner");
    writeFile(dir / "outside" / "real.txt", "from outside the tree");
    fs::create_symlink("../outside/real.txt", src / "outside.txt");
    fs::create_symlink("sub/inner.txt", src / "twin.txt");
    fs::create_symlink("loop2", src / "loop1");
    fs::create_symlink("loop1", src / "loop2");
    fs::create_symlink("self", src / "self");
    fs::create_symlink("missing", src / "dangling");
    fs::create_symlink("..", src / "sub" / "up");
    fs::create_symlink(dir / "outside", src / "elsewhere");
    fs::create_symlink("/proc/self/mem", src / "mem");
    fs::create_symlink("/proc/self/status", src / "status");
    makeFifo(src / "fifo");
    fs::create_symlink("fifo", src / "to-fifo");
    makeSocket(src / "sock");

    FileLayout layout;
    LayoutTarget target(layout);
    EXPECT_TRUE(addNativeTree(src, "", target.target));
    std::map<std::string, std::string> expectedReason = {
        {"loop1", "loops"},  {"loop2", "loops"},         {"self", "loops"},
        {"dangling", "not"}, {"up", "link to a folder"}, {"elsewhere", "link to a folder"},
        {"mem", "pseudo"},   {"status", "pseudo"},       {"fifo", "FIFO"},
        {"to-fifo", "FIFO"}, {"sock", "socket"},
    };
    ASSERT_EQ(target.left.size(), expectedReason.size());
    for (const auto& [name, word] : expectedReason) {
        ASSERT_TRUE(target.left.count(name)) << name;
        EXPECT_NE(target.left[name].find(word), std::string::npos) << target.left[name];
        EXPECT_NE(target.left[name].find(name), std::string::npos) << target.left[name];
    }
    auto files = writeAndRead(layout, dir / "tree.iso");
    std::map<std::string, std::string> expected = {
        {"/keep.txt", "keep"},
        {"/sub/inner.txt", "inner"},
        {"/outside.txt", "from outside the tree"},
        {"/twin.txt", "inner"},
    };
    EXPECT_EQ(files, expected);

    // A folder that is gone, or is no folder, leaves everything out and says so.
    FileLayout none;
    LayoutTarget noTarget(none);
    EXPECT_TRUE(addNativeTree(dir / "missing", "", noTarget.target));
    EXPECT_TRUE(addNativeTree(src / "keep.txt", "", noTarget.target));
    EXPECT_EQ(noTarget.left.size(), 2u);
    EXPECT_EQ(none.root().childCount(), 0u);
}

// Tests run as root, who may enter and read anything: the walk runs in a child that has given
// up the capabilities overriding file permissions, so "permission denied" is real.
TEST(NativeTree, FoldersThatCannotBeEnteredAndUnreadableFilesAreLeftOut) {
    TempDir dir;
    fs::path src = dir / "src";
    fs::create_directories(src / "locked" / "inside");
    fs::create_directories(src / "open");
    writeFile(src / "locked" / "hidden.txt", "hidden");
    writeFile(src / "secret.txt", "secret");
    writeFile(src / "open" / "fine.txt", "fine");
    fs::permissions(src / "locked", fs::perms::none);
    fs::permissions(src / "secret.txt", fs::perms::none);
    fs::path report = dir / "report.txt";
    std::fflush(nullptr);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!testsupport::ObeyFilePermissions())
            ::_exit(3);
        FileLayout layout;
        LayoutTarget target(layout);
        bool leftOut = addNativeTree(src, "", target.target);
        std::ofstream out(report);
        out << "leftOut " << leftOut << "\n";
        for (const auto& [name, why] : target.left)
            out << "left " << name << " " << why << "\n";
        for (const char* path : {"\\locked", "\\secret.txt", "\\open\\fine.txt"})
            out << "item " << path << " " << (layout.findItem(path) != nullptr) << "\n";
        out.flush();
        ::_exit(out ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string text = readFile(report);
    EXPECT_NE(text.find("leftOut 1"), std::string::npos) << text;
    EXPECT_NE(text.find("left locked Cannot enter the folder"), std::string::npos) << text;
    EXPECT_NE(text.find("left secret.txt Cannot open"), std::string::npos) << text;
    EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
    EXPECT_NE(text.find("item \\locked 0"), std::string::npos) << text;
    EXPECT_NE(text.find("item \\secret.txt 0"), std::string::npos) << text;
    EXPECT_NE(text.find("item \\open\\fine.txt 1"), std::string::npos) << text;
}

TEST(NativeSources, OnlyRegularFilesAreSourcesAndNothingBlocksOnAFifo) {
    TempDir dir;
    makeFifo(dir / "fifo");
    FileLayout layout;
    auto refusal = [&](const fs::path& source) {
        try {
            layout.addItem(source.string(), "\\x");
        } catch (const LayoutError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(refusal(dir / "fifo").find("is a FIFO, not a regular file"), std::string::npos);
    EXPECT_NE(refusal("/proc/self/mem").find("pseudo file systems"), std::string::npos);
    EXPECT_NE(refusal("/dev/null").find("is a device"), std::string::npos);
    EXPECT_EQ(layout.root().childCount(), 0u);
    // A file replaced by a FIFO after it was added is refused when the write opens it, instead
    // of waiting for a writer that never comes.
    writeFile(dir / "later", "");
    layout.addItem((dir / "later").string(), "\\later");
    fs::remove(dir / "later");
    makeFifo(dir / "later");
    EXPECT_THROW(layout.opener().open((dir / "later").string()), SourceError);
    auto result = writeImageFile(ImagePlan::build(layout, {}), layout.opener(), dir / "fifo.iso");
    EXPECT_EQ(result.status, WriteResult::Status::SourceFailed);
    EXPECT_NE(result.message.find("FIFO"), std::string::npos) << result.message;
    EXPECT_FALSE(fs::exists(dir / "fifo.iso"));
}
