#include "ReadBack.h"
#include "TreeFixture.h"
#include "isofs/Errors.h"
#include "isofs/ImageReader.h"
#include "isofs/ImageWriter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace isofs;
using namespace isofstest;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

struct Recorder : WriteObserver {
    std::uint64_t lastWritten = 0, lastTotal = 0, started = 0;
    void progress(std::uint64_t w, std::uint64_t t) override {
        EXPECT_GE(w, lastWritten);
        lastWritten = w;
        lastTotal = t;
    }
    void fileStarted(std::uint64_t, std::uint64_t, const std::string&,
                     const std::string&) override {
        ++started;
    }
};

class EveryFileSystem : public ::testing::TestWithParam<int> {};

// Every file must come back with identical bytes under the name the plan gave it, in every
// file system the flags select, through libiso9660, libudf and the command-line readers.
TEST_P(EveryFileSystem, IndependentReadersAgree) {
    const int flags = GetParam();
    TempDir dir;
    makeAwkwardTree(dir / "src");
    FileLayout layout;
    addTree(layout, dir / "src", "");
    layout.addItem("", "\\made in image");

    ImageOptions options;
    options.fileSystems = flags;
    options.volumeLabel = "My Disc 2";
    auto plan = ImagePlan::build(layout, options);
    Recorder rec;
    auto image = dir / "out.iso";
    auto result = writeImageFile(plan, layout.opener(), image, &rec);
    ASSERT_EQ(result.status, WriteResult::Status::Completed) << result.message;
    EXPECT_EQ(std::filesystem::file_size(image), plan.imageBlocks() * kBlockSize);
    EXPECT_EQ(rec.lastWritten, plan.imageBlocks());
    EXPECT_EQ(rec.lastTotal, plan.imageBlocks());
    EXPECT_EQ(rec.started, layout.fileCount());

    struct View {
        int fs;
        ReadBack rb;
        std::string label;
    };
    std::vector<View> views;
    if (flags & fsIso9660)
        views.push_back({fsIso9660, readWithIso9660(image, false), "MY_DISC_2"});
    if (flags & fsJoliet)
        views.push_back({fsJoliet, readWithIso9660(image, true), "My Disc 2"});
    if (flags & fsUdf)
        views.push_back({fsUdf, readWithUdf(image), "My Disc 2"});
    for (auto& v : views) {
        SCOPED_TRACE("file system " + std::to_string(v.fs));
        ASSERT_TRUE(v.rb.opened);
        EXPECT_EQ(v.rb.label, v.label);
        EXPECT_EQ(v.rb.files.size(), layout.fileCount()); // names are unique
        forEachFile(layout.root(), [&](const DataItem& item) {
            std::string path = expectedPath(plan, item.imagePath(), v.fs);
            auto it = v.rb.files.find(path);
            if (v.fs == fsUdf && it == v.rb.files.end())
                return; // wide UDF names: libudf narrows them, checked below
            ASSERT_NE(it, v.rb.files.end()) << path;
            EXPECT_EQ(it->second, readFile(item.sourcePath())) << path;
        });
        EXPECT_TRUE(v.rb.folders.count(expectedPath(plan, "\\docs\\emptydir", v.fs)));
        EXPECT_TRUE(v.rb.folders.count(expectedPath(plan, "\\made in image", v.fs)));
    }
    if (flags & fsJoliet) {
        const auto& files = views[1].rb.files;
        EXPECT_TRUE(files.count("/docs/日本語 ☃.txt"));
        EXPECT_TRUE(files.count("/docs/Ünïcödé café.txt"));
        EXPECT_TRUE(files.count("/docs/smile _.txt"));
        EXPECT_TRUE(files.count("/docs/what_is_this_1.txt"));
    }
    if (flags & fsUdf) {
        const auto& files = views.back().rb.files;
        EXPECT_EQ(files.at("/docs/Ünïcödé café.txt"), "latin-1 name");
        EXPECT_EQ(files.at("/docs/readme.TXT"), "lower");
        EXPECT_EQ(files.at("/docs/README.txt"), "upper");
        EXPECT_EQ(files.at("/docs/" + std::string(90, 'x') + "-tail.document"), "long");
    }

    std::string out;
    if (flags & fsIso9660) {
        ASSERT_EQ(run("isoinfo -d -i " + quote(image.string()), &out), 0);
        EXPECT_NE(out.find("Volume id: MY_DISC_2"), std::string::npos) << out;
        EXPECT_EQ(out.find("Joliet with UCS level 3 found") != std::string::npos,
                  (flags & fsJoliet) != 0)
            << out;
        ASSERT_EQ(run("xorriso -indev " + quote(image.string()) + " -find / -exec lsdl --", &out),
                  0);
        std::size_t fileLines = 0;
        for (std::size_t p = 0; (p = out.find("\n-", p)) != std::string::npos; ++p)
            ++fileLines;
        if (out.rfind("-", 0) == 0)
            ++fileLines;
        EXPECT_EQ(fileLines, layout.fileCount()) << out;
        EXPECT_NE(out.find(" 300000 "), std::string::npos);
    }
    if (flags & fsUdf) {
        ASSERT_EQ(run("udfinfo " + quote(image.string()), &out), 0) << out;
        EXPECT_NE(out.find("label=My Disc 2\n"), std::string::npos) << out;
        EXPECT_NE(out.find("udfrev=1.02\n"), std::string::npos);
        EXPECT_NE(out.find("numfiles=" + std::to_string(layout.fileCount()) + "\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("integrity=closed"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, EveryFileSystem, ::testing::Values(1, 3, 4, 5, 7));

TEST(ImageWriter, NamesAreLegalAndUniqueAfterMangling) {
    TempDir dir;
    makeAwkwardTree(dir / "src");
    FileLayout layout;
    addTree(layout, dir / "src", "");
    auto plan = ImagePlan::build(layout, {});
    std::string one = plan.isoName("\\docs\\A very long file name that clashes 1.txt");
    std::string two = plan.isoName("\\docs\\A very long file name that clashes 2.txt");
    EXPECT_NE(one, two);
    for (const auto& n : {one, two}) {
        EXPECT_LE(n.size(), 31u);
        EXPECT_EQ(n.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_."), std::string::npos)
            << n;
    }
    EXPECT_NE(plan.isoName("\\docs\\readme.TXT"), plan.isoName("\\docs\\README.txt"));
    EXPECT_NE(plan.jolietName("\\docs\\readme.TXT"), plan.jolietName("\\docs\\README.txt"));
    EXPECT_EQ(plan.udfName("\\docs\\readme.TXT"), "readme.TXT");
    std::string longJoliet = plan.jolietName("\\docs\\" + std::string(90, 'x') + "-tail.document");
    EXPECT_EQ(longJoliet.size(), 64u);
    EXPECT_EQ(longJoliet.substr(longJoliet.size() - 9), ".document");
    EXPECT_EQ(plan.isoName("\\docs\\level1"), "");
    EXPECT_EQ(plan.isoName("\\level1"), "LEVEL1");
}

TEST(ImageWriter, FileDatesComeFromSourcesOnlyWhenAsked) {
    TempDir dir;
    testsupport::writeFile(dir / "f.txt", "dated");
    struct timespec times[2] = {{981173106, 0}, {981173106, 0}}; // 2001-02-03 04:05:06 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, (dir / "f.txt").c_str(), times, 0), 0);
    for (bool useFileDate : {true, false}) {
        for (int flags : {3, 4}) {
            FileLayout layout;
            layout.addItem((dir / "f.txt").string(), "\\f.txt");
            ImageOptions options;
            options.fileSystems = flags;
            options.useFileDate = useFileDate;
            options.writeTime = 1700000000;
            auto image = dir / "d.iso";
            auto r = writeImageFile(ImagePlan::build(layout, options), layout.opener(), image);
            ASSERT_EQ(r.status, WriteResult::Status::Completed);
            auto loaded = readImageFile(image);
            ASSERT_EQ(loaded.root.children.size(), 1u);
            EXPECT_EQ(loaded.root.children[0].date, useFileDate ? 981173106 : 1700000000)
                << "flags " << flags;
        }
    }
}

TEST(ImageWriter, Mode2XAMarksVolumeAndRecords) {
    TempDir dir;
    testsupport::writeFile(dir / "f.txt", "xa");
    FileLayout layout;
    layout.addItem((dir / "f.txt").string(), "\\f.txt");
    for (bool xa : {true, false}) {
        ImageOptions options;
        options.fileSystems = 7;
        options.mode2XA = xa;
        auto image = dir / "xa.iso";
        ASSERT_EQ(writeImageFile(ImagePlan::build(layout, options), layout.opener(), image).status,
                  WriteResult::Status::Completed);
        std::string bytes = readFile(image);
        EXPECT_EQ(bytes.substr(16 * 2048 + 1024, 8) == "CD-XA001", xa);
        auto rb = readWithIso9660(image, false);
        EXPECT_EQ(rb.xa, xa);
        EXPECT_EQ(rb.files.at("/F.TXT"), "xa");
        EXPECT_EQ(readWithUdf(image).files.at("/f.txt"), "xa");
    }
}

TEST(ImageWriter, RefusesUnsupportedFileSystemsAndSourcelessFiles) {
    FileLayout layout;
    for (int flags : {0, 2, 6, 8}) {
        ImageOptions options;
        options.fileSystems = flags;
        EXPECT_THROW(ImagePlan::build(layout, options), LayoutError) << flags;
    }
    layout.addKnownItem("\\ghost.txt", false, 10, 0);
    EXPECT_THROW(ImagePlan::build(layout, {}), LayoutError);
}

TEST(ImageWriter, EmptyLayoutMakesAValidImage) {
    TempDir dir;
    FileLayout layout;
    ImageOptions options;
    options.fileSystems = 7;
    options.volumeLabel = "EMPTY";
    auto image = dir / "e.iso";
    ASSERT_EQ(writeImageFile(ImagePlan::build(layout, options), layout.opener(), image).status,
              WriteResult::Status::Completed);
    EXPECT_TRUE(readWithIso9660(image, true).opened);
    EXPECT_EQ(run("udfinfo " + quote(image.string())), 0);
    EXPECT_EQ(readImageFile(image).volumeLabel, "EMPTY");
}

} // namespace

// The plan keeps a file's source as its folder's path plus its name where the two agree; where
// they do not (a renamed file, a name that only ends like the source), the whole path must come
// back, or the wrong file would be written.
TEST(ImageWriter, EveryFileIsReadFromItsOwnSourceWhateverItsName) {
    TempDir dir;
    const auto one = dir / "one", two = dir / "two";
    std::filesystem::create_directories(one);
    std::filesystem::create_directories(two);
    testsupport::writeFile(one / "f.txt", "one f");
    testsupport::writeFile(one / "g.txt", "one g");
    testsupport::writeFile(two / "h.txt", "two h");
    testsupport::writeFile(one / "xab.txt", "xab");
    testsupport::writeFile(one / "renamed.txt", "renamed");
    FileLayout layout;
    // Interleaved folders, so the folder part changes from one file to the next and back.
    layout.addItem((one / "f.txt").string(), "\\a\\f.txt");
    layout.addItem((two / "h.txt").string(), "\\a\\h.txt");
    layout.addItem((one / "g.txt").string(), "\\a\\g.txt");
    layout.addItem((one / "xab.txt").string(), "\\ab.txt"); // ends like the source
    layout.addItem((one / "renamed.txt").string(), "\\old.txt");
    layout.renameFile("\\old.txt", "new.txt");

    struct Sources : WriteObserver {
        std::map<std::string, std::string> byImagePath;
        void fileStarted(std::uint64_t, std::uint64_t, const std::string& imagePath,
                         const std::string& source) override {
            byImagePath[imagePath] = source;
        }
    } sources;
    ImageOptions options;
    options.fileSystems = fsIso9660 | fsJoliet;
    const auto image = dir / "names.iso";
    auto plan = ImagePlan::build(layout, options);
    ASSERT_EQ(writeImageFile(plan, layout.opener(), image, &sources).status,
              WriteResult::Status::Completed);
    const auto rb = readWithIso9660(image, true);
    EXPECT_EQ(rb.files, (std::map<std::string, std::string>{{"/a/f.txt", "one f"},
                                                            {"/a/h.txt", "two h"},
                                                            {"/a/g.txt", "one g"},
                                                            {"/ab.txt", "xab"},
                                                            {"/new.txt", "renamed"}}));
    EXPECT_EQ(sources.byImagePath,
              (std::map<std::string, std::string>{{"\\a\\f.txt", (one / "f.txt").string()},
                                                  {"\\a\\h.txt", (two / "h.txt").string()},
                                                  {"\\a\\g.txt", (one / "g.txt").string()},
                                                  {"\\ab.txt", (one / "xab.txt").string()},
                                                  {"\\new.txt", (one / "renamed.txt").string()}}));
    EXPECT_EQ(plan.jolietName("\\a\\h.txt"), "h.txt");
}
