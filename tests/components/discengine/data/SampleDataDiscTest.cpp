// The default store's F: holds a sample data CD made by our writer: every reader agrees on it.
#include "DataFixture.h"
#include "Readers.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

TEST(SampleDataDisc, EveryReaderSeesTheSameFoldersFilesAndLabel) {
    Fixture f;
    auto drive = f.engine->FindDevice('F');
    ASSERT_TRUE(drive);
    fs::path iso = f.Store().FolderOf('F') / "disc.iso";

    std::string label;
    auto joliet = ReadIso(iso, true, &label);
    EXPECT_EQ(label, "SAMPLE DATA");
    std::vector<std::string> names;
    for (const auto& [path, bytes] : joliet)
        names.push_back(path);
    EXPECT_EQ(names, (std::vector<std::string>{"\\Documents\\Archive\\2023 report.txt",
                                               "\\Documents\\Letter to a friend.txt",
                                               "\\Documents\\Notes.txt", "\\Music\\Playlist.m3u",
                                               "\\Pictures\\Holiday\\Beach.raw",
                                               "\\Pictures\\Sunset.raw", "\\Readme.txt"}));
    EXPECT_EQ(joliet["\\Pictures\\Holiday\\Beach.raw"].size(), 300000u);
    EXPECT_EQ(joliet["\\Readme.txt"].rfind("This is the sample data disc", 0), 0u);

    std::string udfLabel;
    EXPECT_EQ(ReadUdf(iso, &udfLabel), joliet);
    EXPECT_EQ(udfLabel, "SAMPLE DATA");
    EXPECT_EQ(ExtractWithXorriso(iso, f.dir / "x"), joliet);
    std::string info;
    ASSERT_EQ(datatest::Run("udfinfo " + iso.string(), &info), 0) << info;
    EXPECT_NE(info.find("numfiles=7\n"), std::string::npos) << info;
    ASSERT_EQ(datatest::Run("isoinfo -d -i " + iso.string(), &info), 0);
    EXPECT_NE(info.find("Joliet with UCS level 3 found"), std::string::npos) << info;

    // The drive's volume layer and the image loader show the same tree.
    auto volume = drive->Volume();
    for (const auto& [path, bytes] : joliet) {
        std::string read;
        volume->ReadFile(path, [&](const char* d, std::size_t n) {
            read.append(d, n);
            return true;
        });
        EXPECT_EQ(read, bytes) << path;
    }
    ASSERT_TRUE(f.image->LoadImageFile(iso, 7));
    EXPECT_EQ(f.image->Volume()->Label(), "SAMPLE DATA");
    auto report = f.image->Layout()->FindItem("\\Documents\\Archive\\2023 report.txt");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->Size(), 70000u);
    // The disc was made at a fixed moment, with the files' own dates.
    EXPECT_EQ(std::chrono::system_clock::to_time_t(report->FileDate()), 1700000000);
}

// The copy job's on-the-fly path: every file of F: goes into the layout by its "F:\..." path
// and the image is burned straight onto E:, then verified against F:.
TEST(SampleDataDisc, CopiesOnTheFlyToABlankDiscWithVerification) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDR);
    auto source = f.engine->FindDevice('F');
    auto target = f.engine->FindDevice('E');
    auto layout = f.image->Layout();
    layout->Clear();
    std::function<void(const std::string&, const std::string&)> walk = [&](const std::string& from,
                                                                           const std::string& at) {
        for (const auto& entry : source->Volume()->List(from)) {
            std::string path = (from == "\\" ? "" : from) + "\\" + entry.name;
            if (entry.isFolder) {
                layout->AddItem(entry.name, at + "\\" + entry.name);
                walk(path, at + "\\" + entry.name);
            } else {
                layout->AddItem("F:" + path, at + "\\" + entry.name);
            }
        }
    };
    walk("\\", "");
    f.image->Volume()->SetLabel(source->Volume()->Label());
    f.image->SetFileSystems(source->TrackFileSystems(1));
    f.image->SetAutoVerify(true);
    f.image->SetFinalize(true);
    ASSERT_TRUE(f.image->WriteToDevice(target));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    int matched = -1;
    for (const auto& e : f.recorder.Events())
        if (e.kind == "verifycomplete")
            matched = e.b;
    EXPECT_EQ(matched, 7);
    target->Refresh(false);
    EXPECT_EQ(target->TrackFileSystems(1), 7);
    fs::path copy = f.Store().FolderOf('E') / "disc.iso";
    fs::path original = f.Store().FolderOf('F') / "disc.iso";
    std::string label;
    EXPECT_EQ(ReadIso(copy, true, &label), ReadIso(original, true));
    EXPECT_EQ(label, "SAMPLE DATA");
    EXPECT_EQ(ReadUdf(copy), ReadUdf(original));
}

// Files on a disc are read from the disc in the drive now, not from one seen earlier.
TEST(SampleDataDisc, DiscSourcesFollowADiscChangeInTheDrive) {
    Fixture f;
    auto makeDisc = [&](const std::string& name, const std::string& text) {
        fs::create_directories(f.dir / name);
        testsupport::writeFile(f.dir / name / "note.txt", text);
        auto layout = f.image->Layout();
        layout->Clear();
        layout->AddItem((f.dir / name / "note.txt").string(), "\\note.txt");
        Recorder r;
        f.engine->SetListener(&r);
        EXPECT_TRUE(f.image->WriteToImageFile(f.dir / (name + ".iso")));
        EXPECT_EQ(r.WaitEnd(), kWriteCompleted);
        WaitForJobsOrDie(*f.engine);
        f.engine->SetListener(&f.recorder);
        f.Store().InsertImage('E', f.dir / (name + ".iso"));
        f.engine->FindDevice('E')->Refresh(true);
    };
    auto copyNote = [&](const std::string& out) {
        auto layout = f.image->Layout();
        layout->Clear();
        layout->AddItem("E:\\note.txt", "\\copy.txt");
        Recorder r;
        f.engine->SetListener(&r);
        EXPECT_TRUE(f.image->WriteToImageFile(f.dir / out));
        EXPECT_EQ(r.WaitEnd(), kWriteCompleted);
        WaitForJobsOrDie(*f.engine);
        f.engine->SetListener(&f.recorder);
        return ReadIso(f.dir / out, true)["\\copy.txt"];
    };
    makeDisc("first", "one");
    EXPECT_EQ(copyNote("a.iso"), "one");
    makeDisc("second", "two!");
    EXPECT_EQ(copyNote("b.iso"), "two!");

    // Changed between adding the file and writing it: the write reads the disc in the drive
    // then, as the add did.
    makeDisc("third", "3rd!");
    f.Store().InsertImage('E', f.dir / "second.iso");
    f.engine->FindDevice('E')->Refresh(true);
    auto layout = f.image->Layout();
    layout->Clear();
    layout->AddItem("E:\\note.txt", "\\copy.txt");
    f.Store().InsertImage('E', f.dir / "third.iso");
    f.engine->FindDevice('E')->Refresh(true);
    Recorder r;
    f.engine->SetListener(&r);
    EXPECT_TRUE(f.image->WriteToImageFile(f.dir / "c.iso"));
    EXPECT_EQ(r.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    EXPECT_EQ(ReadIso(f.dir / "c.iso", true)["\\copy.txt"], "3rd!");
}
