// Image files for every file-system flag, read back by independent readers.
#include "DataFixture.h"
#include "Readers.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

namespace {

std::multiset<std::string> Contents(const std::map<std::string, std::string>& files) {
    std::multiset<std::string> out;
    for (const auto& [k, v] : files)
        out.insert(v);
    return out;
}

} // namespace

class ImageFileFlags : public ::testing::TestWithParam<int> {};

TEST_P(ImageFileFlags, EveryReaderSeesEveryFileWithItsBytesAndTheLabel) {
    const int flags = GetParam();
    Fixture f;
    auto files = f.MakeTree();
    std::map<std::string, std::string> expected(files.begin(), files.end());
    f.image->Volume()->SetLabel("Backup 2024");
    f.image->SetFileSystems(flags);
    f.image->SetAutoVerify(true);
    fs::path out = f.dir / "out.iso";
    ASSERT_TRUE(f.image->WriteToImageFile(out));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    EXPECT_EQ(fs::file_size(out), f.image->ImageSize());

    // Events: preparing, writing, (verification), completed.
    auto statuses = f.recorder.Statuses();
    EXPECT_EQ(statuses, (std::vector<int>{kWritePreparing, kWriteWriting, kWriteCompleted}));
    int verified = 0, matched = -1, fileStatus = 0;
    for (const auto& e : f.recorder.Events()) {
        if (e.kind == "verify") {
            EXPECT_EQ(e.status, 3) << e.text;
            ++verified;
        }
        if (e.kind == "verifycomplete")
            matched = e.b;
        if (e.kind == "filestatus")
            ++fileStatus;
    }
    EXPECT_EQ(verified, static_cast<int>(files.size()));
    EXPECT_EQ(matched, static_cast<int>(files.size()));
    EXPECT_EQ(fileStatus, static_cast<int>(files.size()));

    std::string label;
    if (flags & kFsJoliet) {
        EXPECT_EQ(ReadIso(out, true, &label), expected);
    }
    if (flags & kFsISO9660) {
        // ISO9660 names are mangled to d-characters; the bytes must all be there.
        auto plain = ReadIso(out, false, &label);
        EXPECT_EQ(Contents(plain), Contents(expected));
        EXPECT_EQ(label, "BACKUP_2024");
        EXPECT_EQ(plain.count("\\readme.txt"), 1u);
    }
    if (flags & kFsUDF) {
        std::string udfLabel;
        // UDF keeps the names as they are (Latin-1 here, which libudf can hand over).
        EXPECT_EQ(ReadUdf(out, &udfLabel), expected);
        EXPECT_EQ(udfLabel, "Backup 2024");
        std::string info;
        ASSERT_EQ(datatest::Run("udfinfo " + out.string(), &info), 0) << info;
        EXPECT_NE(info.find("label=Backup 2024"), std::string::npos) << info;
        EXPECT_NE(info.find("udfrev=1.02"), std::string::npos) << info;
        EXPECT_NE(info.find("numfiles=6\n"), std::string::npos) << info;
        EXPECT_NE(info.find("numdirs=13\n"), std::string::npos) << info; // with the root
    }
    if (flags & kFsISO9660) {
        // xorriso extracts every file (Joliet names when present) with its bytes.
        auto extracted = ExtractWithXorriso(out, f.dir / "xorriso");
        if (flags & kFsJoliet) {
            EXPECT_EQ(extracted, expected);
        } else {
            EXPECT_EQ(Contents(extracted), Contents(expected));
        }
        std::string info;
        ASSERT_EQ(datatest::Run("isoinfo -d -i " + out.string(), &info), 0);
        EXPECT_NE(info.find("Volume id: BACKUP_2024"), std::string::npos) << info;
        if (flags & kFsJoliet) {
            EXPECT_NE(info.find("Joliet with UCS level 3 found"), std::string::npos) << info;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, ImageFileFlags, ::testing::Values(1, 3, 4, 5, 7));

TEST(ImageFile, LayoutItemsAnnounceThemselvesAndFollowEdits) {
    Fixture f;
    fs::create_directories(f.dir / "s");
    testsupport::writeFile(f.dir / "s" / "a.txt", "abc");
    auto layout = f.image->Layout();
    auto item = layout->AddItem((f.dir / "s" / "a.txt").string(), "\\docs\\a.txt");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Size(), 3u);
    EXPECT_EQ(item->SourcePath(), (f.dir / "s" / "a.txt").string());
    layout->AddItem("", "\\empty");
    // The walk's parent folder and the file were announced, in order.
    std::vector<std::string> added;
    for (const auto& e : f.recorder.Events())
        if (e.kind == "added")
            added.push_back(e.text);
    EXPECT_EQ(added, (std::vector<std::string>{"\\docs", "\\docs\\a.txt", "\\empty"}));
    auto root = layout->Root();
    ASSERT_EQ(root->ChildCount(), 2);
    EXPECT_EQ(root->Child(0)->Name(), "docs");
    EXPECT_TRUE(layout->RenameFile("\\docs\\a.txt", "b.txt"));
    EXPECT_FALSE(layout->RenameFile("\\docs\\missing.txt", "c.txt"));
    EXPECT_EQ(layout->FindItem("\\docs\\b.txt")->SourcePath(), (f.dir / "s" / "a.txt").string());
    EXPECT_TRUE(layout->RemoveItem("\\docs"));
    EXPECT_EQ(layout->FindItem("\\docs\\b.txt"), nullptr);
    EXPECT_EQ(root->ChildCount(), 1); // children are looked up live
    EXPECT_THROW(root->Child(5), EngineError);
    EXPECT_THROW(layout->AddItem((f.dir / "nothing").string(), "\\x"), EngineError);
}

TEST(ImageFile, SecondStartIsRefusedWhileAWriteRuns) {
    Fixture f;
    testsupport::writeFile(f.dir / "big.bin", Pattern(24 << 20, 9));
    f.image->Layout()->AddItem((f.dir / "big.bin").string(), "\\big.bin");
    f.recorder.cancelWhen = [&](int status, int) {
        if (status == kWriteWriting) {
            // Still running: a second start of this image must be refused.
            EXPECT_FALSE(f.image->WriteToImageFile(f.dir / "second.iso"));
            return true;
        }
        return false;
    };
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "first.iso"));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCancelled);
    WaitForJobsOrDie(*f.engine);
    EXPECT_FALSE(fs::exists(f.dir / "first.iso"));
    EXPECT_FALSE(fs::exists(f.dir / "second.iso"));
}
