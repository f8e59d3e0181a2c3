#include "Bytes.h"
#include "ReadBack.h"
#include "TreeFixture.h"
#include "isofs/Errors.h"
#include "isofs/ImageReader.h"
#include "isofs/ImageWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>

using namespace isofs;
using namespace isofstest;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const ImageEntry* find(const ImageEntry& dir, const std::string& name) {
    for (const auto& c : dir.children)
        if (c.name == name)
            return &c;
    return nullptr;
}

void makePeerTree(const std::filesystem::path& src) {
    std::filesystem::create_directories(src / "docs" / "old");
    writeFile(src / "readme.txt", "read me");
    writeFile(src / "docs" / "report.pdf", randomBytes(50000, 3));
    writeFile(src / "docs" / "old" / "notes.txt", "notes");
}

std::size_t countNames(const ImageEntry& e, const std::function<bool(const std::string&)>& bad) {
    std::size_t n = bad(e.name) ? 1 : 0;
    for (const auto& c : e.children)
        n += countNames(c, bad);
    return n;
}

// Patches the directory record named id in the directory at lsn (primary tree).
void patchRecord(const std::filesystem::path& image, std::uint32_t dirLsn, const std::string& id,
                 const std::function<void(std::uint8_t*)>& fn) {
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<std::uint8_t> sector(2048);
    f.seekg(dirLsn * 2048);
    f.read(reinterpret_cast<char*>(sector.data()), 2048);
    for (std::size_t at = 0; at < 2048 && sector[at];) {
        std::uint8_t* r = &sector[at];
        if (std::string(reinterpret_cast<char*>(r + 33), r[32]) == id) {
            fn(r);
            f.seekp(dirLsn * 2048);
            f.write(reinterpret_cast<char*>(sector.data()), 2048);
            return;
        }
        at += r[0];
    }
    FAIL() << "no record " << id;
}

std::uint32_t rootLsn(const std::filesystem::path& image) {
    std::ifstream f(image, std::ios::binary);
    std::uint8_t pvd[2048];
    f.seekg(16 * 2048);
    f.read(reinterpret_cast<char*>(pvd), 2048);
    return detail::rd32le(pvd + 156 + 2);
}

std::uint32_t recordLsn(const std::filesystem::path& image, std::uint32_t dirLsn,
                        const std::string& id) {
    std::uint32_t lsn = 0;
    patchRecord(image, dirLsn, id, [&](std::uint8_t* r) { lsn = detail::rd32le(r + 2); });
    return lsn;
}

// An ISO9660-only image of root/SUB/X.TXT, A.TXT, NAMEONE.TXT, NAMETWO.TXT.
std::filesystem::path plainImage(const TempDir& dir) {
    std::filesystem::create_directories(dir / "src" / "sub");
    writeFile(dir / "src" / "sub" / "x.txt", "inside");
    writeFile(dir / "src" / "a.txt", "alpha");
    writeFile(dir / "src" / "nameone.txt", "one");
    writeFile(dir / "src" / "nametwo.txt", "two");
    FileLayout layout;
    addTree(layout, dir / "src", "");
    ImageOptions options;
    options.fileSystems = fsIso9660;
    options.volumeLabel = "HOSTILE";
    auto image = dir / "h.iso";
    EXPECT_EQ(writeImageFile(ImagePlan::build(layout, options), layout.opener(), image).status,
              WriteResult::Status::Completed);
    return image;
}

} // namespace

TEST(ImageReader, LoadsGenisoimageImages) {
    TempDir dir;
    makePeerTree(dir / "src");
    struct Case {
        std::string args;
        int fileSystems;
        bool exactNames;
    };
    // Without Joliet, a UDF bridge gives the names as they were.
    for (const Case& c : {Case{"-J", 3, true}, Case{"", 1, false}, Case{"-J -udf", 7, true},
                          Case{"-udf", 5, true}}) {
        SCOPED_TRACE(c.args);
        auto image = dir / "peer.iso";
        ASSERT_EQ(run("genisoimage -quiet -V BACKUP " + c.args + " -o " + quote(image.string()) +
                      " " + quote((dir / "src").string())),
                  0);
        auto loaded = readImageFile(image);
        EXPECT_EQ(loaded.volumeLabel, "BACKUP");
        EXPECT_EQ(loaded.fileSystems, c.fileSystems);
        auto name = [&](std::string n) {
            if (!c.exactNames)
                for (auto& ch : n)
                    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            return n;
        };
        const ImageEntry* docs = find(loaded.root, name("docs"));
        ASSERT_NE(docs, nullptr);
        EXPECT_TRUE(docs->isFolder);
        const ImageEntry* pdf = find(*docs, name("report.pdf"));
        ASSERT_NE(pdf, nullptr);
        EXPECT_EQ(pdf->size, 50000u);
        const ImageEntry* old = find(*docs, name("old"));
        ASSERT_NE(old, nullptr);
        ASSERT_NE(find(*old, name("notes.txt")), nullptr);
        EXPECT_EQ(find(loaded.root, name("readme.txt"))->size, 7u);

        FileLayout layout;
        fillLayout(loaded, layout);
        const DataItem* item = layout.findItem("\\" + name("docs") + "\\" + name("report.pdf"));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->size(), 50000u);
        EXPECT_EQ(layout.root().childCount(), 2u);
    }
}

TEST(ImageReader, LoadsOurUdfOnlyImage) {
    TempDir dir;
    makePeerTree(dir / "src");
    writeFile(dir / "src" / "Café.txt", "latin-1");
    FileLayout layout;
    addTree(layout, dir / "src", "");
    ImageOptions options;
    options.fileSystems = fsUdf;
    options.volumeLabel = "Only UDF";
    auto image = dir / "u.iso";
    ASSERT_EQ(writeImageFile(ImagePlan::build(layout, options), layout.opener(), image).status,
              WriteResult::Status::Completed);
    auto loaded = readImageFile(image);
    EXPECT_EQ(loaded.fileSystems, fsUdf);
    EXPECT_EQ(loaded.namesFrom, fsUdf);
    EXPECT_EQ(loaded.volumeLabel, "Only UDF");
    const ImageEntry* docs = find(loaded.root, "docs");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(find(*docs, "report.pdf")->size, 50000u);
    EXPECT_NE(find(*find(*docs, "old"), "notes.txt"), nullptr);
    EXPECT_NE(find(loaded.root, std::string("Caf\xC3\xA9.txt")), nullptr);
}

TEST(ImageReader, FolderLoopIsNotFollowed) {
    TempDir dir;
    auto image = plainImage(dir);
    std::uint32_t root = rootLsn(image);
    std::uint32_t sub = recordLsn(image, root, "SUB");
    // SUB's "." entry is fine; its child X.TXT becomes a folder pointing back at the root.
    patchRecord(image, sub, "X.TXT;1", [&](std::uint8_t* r) {
        detail::both32(r + 2, root);
        detail::both32(r + 10, 2048);
        r[25] = 2;
    });
    auto loaded = readImageFile(image);
    EXPECT_FALSE(loaded.warnings.empty());
    EXPECT_NE(find(loaded.root, "A.TXT"), nullptr);
    const ImageEntry* s = find(loaded.root, "SUB");
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->children.empty());
}

TEST(ImageReader, ExtentsPastTheEndAndAbsurdSizesAreDropped) {
    TempDir dir;
    auto image = plainImage(dir);
    std::uint32_t root = rootLsn(image);
    patchRecord(image, root, "A.TXT;1", [](std::uint8_t* r) { detail::both32(r + 2, 0x7FFFFFF0); });
    patchRecord(image, root, "NAMEONE.TXT;1",
                [](std::uint8_t* r) { detail::both32(r + 10, 0xFFFFFFF0); });
    patchRecord(image, root, "SUB", [](std::uint8_t* r) { detail::both32(r + 10, 0xFFFFF000); });
    auto loaded = readImageFile(image);
    EXPECT_EQ(find(loaded.root, "A.TXT"), nullptr);
    EXPECT_EQ(find(loaded.root, "NAMEONE.TXT"), nullptr);
    EXPECT_EQ(find(loaded.root, "SUB"), nullptr);
    ASSERT_NE(find(loaded.root, "NAMETWO.TXT"), nullptr);
    EXPECT_GE(loaded.warnings.size(), 3u);
}

TEST(ImageReader, UnsafeNamesAreSanitised) {
    TempDir dir;
    auto image = plainImage(dir);
    std::uint32_t root = rootLsn(image);
    patchRecord(image, root, "NAMEONE.TXT;1",
                [](std::uint8_t* r) { std::memcpy(r + 33, "../../ETC/P;1", 13); });
    patchRecord(image, root, "NAMETWO.TXT;1", [](std::uint8_t* r) {
        r[32] = 2;
        std::memcpy(r + 33, "..", 2);
    });
    auto loaded = readImageFile(image);
    auto bad = [](const std::string& n) {
        return n.find('/') != std::string::npos || n.find('\\') != std::string::npos || n == ".." ||
               n == "." || n.empty();
    };
    for (const auto& c : loaded.root.children)
        EXPECT_FALSE(bad(c.name)) << c.name;
    EXPECT_EQ(countNames(loaded.root, bad), 1u); // only the root's own empty name
    EXPECT_NE(find(loaded.root, ".._.._ETC_P"), nullptr);
    FileLayout layout;
    fillLayout(loaded, layout);
    EXPECT_NE(layout.findItem("\\.._.._ETC_P"), nullptr);
}

TEST(ImageReader, RefusesFilesThatAreNoImage) {
    TempDir dir;
    EXPECT_THROW(readImageFile(dir / "missing.iso"), ImageReadError);
    writeFile(dir / "empty.iso", "");
    EXPECT_THROW(readImageFile(dir / "empty.iso"), ImageReadError);
    writeFile(dir / "noise.iso", randomBytes(1 << 20, 9));
    EXPECT_THROW(readImageFile(dir / "noise.iso"), ImageReadError);

    auto image = plainImage(dir);
    std::string bytes = testsupport::readFile(image);
    writeFile(dir / "truncated.iso", bytes.substr(0, 18 * 2048));
    EXPECT_THROW(readImageFile(dir / "truncated.iso"), ImageReadError);

    // A root folder outside the image is refused before anything follows it.
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    std::uint8_t lsn[8];
    detail::both32(lsn, 0x00FFFFF0);
    f.seekp(16 * 2048 + 156 + 2);
    f.write(reinterpret_cast<char*>(lsn), 8);
    f.close();
    EXPECT_THROW(readImageFile(image), ImageReadError);
}
