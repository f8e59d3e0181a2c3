#include "isofs/Errors.h"
#include "isofs/FileLayout.h"
#include "isofs/ImageWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace isofs;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// A source opener serving paths like "D:\docs\a.txt" from memory, as the engine's volume
// layer serves files on a disc.
class DiscOpener : public SourceOpener {
public:
    std::map<std::string, std::string> files;
    SourceInfo stat(const std::string& path) const override {
        auto it = files.find(path);
        if (it == files.end())
            return {};
        return {true, false, it->second.size(), 1000, {}};
    }
    std::unique_ptr<SourceReader> open(const std::string&) const override { return nullptr; }
};

} // namespace

TEST(FileLayout, AddsFoldersFilesAndKeepsInsertionOrder) {
    TempDir dir;
    writeFile(dir / "b.txt", "bbbb");
    writeFile(dir / "a.txt", "a");
    FileLayout layout;
    std::vector<std::string> added;
    layout.setOnItemAdded([&](const DataItem& item) { added.push_back(item.imagePath()); });

    layout.addItem("", "\\empty");
    layout.addItem("sub", "\\sub");
    layout.addItem((dir / "b.txt").string(), "\\sub\\b.txt");
    layout.addItem((dir / "a.txt").string(), "\\sub\\a.txt");

    EXPECT_EQ(&layout.root(), layout.findItem("\\"));
    const DataItem* sub = layout.findItem("\\sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isFolder());
    EXPECT_TRUE(sub->sourcePath().empty());
    ASSERT_EQ(sub->childCount(), 2u);
    EXPECT_EQ(sub->child(0)->name(), "b.txt");
    EXPECT_EQ(sub->child(1)->name(), "a.txt");
    EXPECT_EQ(sub->child(0)->size(), 4u);
    EXPECT_EQ(sub->child(0)->sourcePath(), (dir / "b.txt").string());
    EXPECT_EQ(sub->child(1)->imagePath(), "\\sub\\a.txt");
    EXPECT_NE(sub->child(0)->fileDate(), 0);
    EXPECT_EQ(added,
              (std::vector<std::string>{"\\empty", "\\sub", "\\sub\\b.txt", "\\sub\\a.txt"}));
    EXPECT_EQ(layout.findItem("\\nope"), nullptr);
    EXPECT_EQ(layout.findItem("\\sub\\b.txt\\x"), nullptr);
    EXPECT_EQ(layout.findItem("no-backslash"), nullptr);
    EXPECT_EQ(layout.fileCount(), 2u);
    EXPECT_EQ(layout.totalFileBytes(), 5u);
}

TEST(FileLayout, CreatesMissingParentsAndRefusesBadInput) {
    TempDir dir;
    writeFile(dir / "f", "x");
    FileLayout layout;
    layout.addItem((dir / "f").string(), "\\x\\y\\f");
    ASSERT_NE(layout.findItem("\\x\\y"), nullptr);
    EXPECT_TRUE(layout.findItem("\\x\\y")->isFolder());
    EXPECT_THROW(layout.addItem((dir / "missing").string(), "\\m"), LayoutError);
    EXPECT_THROW(layout.addItem("", "\\x\\y\\f\\under-a-file"), LayoutError);
    EXPECT_THROW(layout.addItem((dir / "f").string(), "\\x"), LayoutError); // folder there
    EXPECT_THROW(layout.addItem("", "\\.."), LayoutError);
    EXPECT_THROW(layout.addItem("", "relative"), LayoutError);
    // Re-adding a file replaces it in place, not a second item with the same name.
    layout.addItem((dir / "f").string(), "\\x\\y\\f");
    EXPECT_EQ(layout.findItem("\\x\\y")->childCount(), 1u);
}

TEST(FileLayout, RenamesRemovesAndClears) {
    TempDir dir;
    writeFile(dir / "f", "x");
    FileLayout layout;
    layout.addItem("", "\\docs");
    layout.addItem("", "\\docs\\old");
    layout.addItem((dir / "f").string(), "\\docs\\old\\f.txt");
    layout.addItem((dir / "f").string(), "\\docs\\g.txt");

    layout.renameFile("\\docs\\old\\f.txt", "new.txt");
    EXPECT_EQ(layout.findItem("\\docs\\old\\new.txt")->sourcePath(), (dir / "f").string());
    layout.renameFolder("\\docs\\old", "older");
    EXPECT_NE(layout.findItem("\\docs\\older\\new.txt"), nullptr);
    EXPECT_THROW(layout.renameFile("\\docs\\older", "x"), LayoutError);
    EXPECT_THROW(layout.renameFolder("\\docs\\g.txt", "x"), LayoutError);
    EXPECT_THROW(layout.renameFile("\\docs\\g.txt", "older"), LayoutError);
    EXPECT_THROW(layout.renameFile("\\docs\\g.txt", "a\\b"), LayoutError);
    EXPECT_THROW(layout.renameFile("\\nothing", "x"), LayoutError);

    layout.removeItem("\\docs\\older");
    EXPECT_EQ(layout.findItem("\\docs\\older\\new.txt"), nullptr);
    EXPECT_EQ(layout.findItem("\\docs")->childCount(), 1u);
    EXPECT_THROW(layout.removeItem("\\docs\\older"), LayoutError);
    layout.clear();
    EXPECT_EQ(layout.root().childCount(), 0u);
}

TEST(FileLayout, DiscPathsGoThroughTheSourceOpener) {
    auto opener = std::make_shared<DiscOpener>();
    opener->files["D:\\docs\\a.txt"] = "from the disc";
    FileLayout layout(opener);
    const DataItem& item = layout.addItem("D:\\docs\\a.txt", "\\a.txt");
    EXPECT_EQ(item.size(), 13u);
    EXPECT_EQ(item.fileDate(), 1000);
    EXPECT_EQ(item.sourcePath(), "D:\\docs\\a.txt");
    EXPECT_THROW(layout.addItem("D:\\docs\\missing.txt", "\\m.txt"), LayoutError);
}

TEST(FileLayout, ABigFolderFindsItsItemsByNameThroughRenamesAndRemovals) {
    FileLayout layout;
    for (int i = 0; i < 200; ++i)
        layout.addItem("", "\\big\\f" + std::to_string(i));
    layout.renameFolder("\\big\\f50", "renamed");
    EXPECT_TRUE(layout.findItem("\\big\\renamed"));
    EXPECT_FALSE(layout.findItem("\\big\\f50"));
    EXPECT_THROW(layout.renameFolder("\\big\\f51", "renamed"), LayoutError);
    EXPECT_TRUE(layout.findItem("\\big\\f51")) << "a refused rename keeps the name";
    layout.removeItem("\\big\\f60");
    EXPECT_FALSE(layout.findItem("\\big\\f60"));
    layout.addItem("", "\\big\\f60");
    ASSERT_TRUE(layout.findItem("\\big\\f60"));
    EXPECT_EQ(layout.findItem("\\big")->childCount(), 200u);
    EXPECT_EQ(layout.findItem("\\big")->child(199)->name(), "f60") << "added again at the end";

    // The image names of every item of a folder that big are found by path.
    const ImagePlan plan = ImagePlan::build(layout, ImageOptions{});
    EXPECT_EQ(plan.jolietName("\\big\\renamed"), "renamed");
    EXPECT_EQ(plan.jolietName("\\big\\f199"), "f199");
    EXPECT_EQ(plan.jolietName("\\big\\f50"), "");
    layout.clear();
    EXPECT_FALSE(layout.findItem("\\big"));
    layout.addItem("", "\\big");
    EXPECT_TRUE(layout.findItem("\\big"));
}
