// Disk full, vanished sources, cancel: the documented events, no partial output.
#include "DataFixture.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

namespace {
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}
} // namespace

TEST(Failure, DeletedSourceIsASourceFileErrorUnlessIgnoredThenVerifyNamesIt) {
    Fixture f;
    testsupport::writeFile(f.dir / "a.txt", "first");
    testsupport::writeFile(f.dir / "gone.txt", "second file");
    auto layout = f.image->Layout();
    layout->AddItem((f.dir / "a.txt").string(), "\\a.txt");
    layout->AddItem((f.dir / "gone.txt").string(), "\\gone.txt");
    fs::remove(f.dir / "gone.txt");
    testsupport::writeFile(f.dir / "out.iso", "old");

    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "out.iso"));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    f.engine->WaitForJobs();
    bool warned = false, sourceError = false;
    for (const auto& e : f.recorder.Events()) {
        warned = warned || (e.kind == "warning" && e.text == (f.dir / "gone.txt").string());
        if (e.kind == "error")
            sourceError = e.a == kWriteErrorSourceFile &&
                          e.error->FileError()->Path() == (f.dir / "gone.txt").string();
    }
    EXPECT_TRUE(warned);
    EXPECT_TRUE(sourceError);
    EXPECT_EQ(testsupport::readFile(f.dir / "out.iso"), "old");

    Recorder ignoring;
    ignoring.ignoreWarnings = true;
    f.engine->SetListener(&ignoring);
    f.image->SetAutoVerify(true);
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "out.iso"));
    EXPECT_EQ(ignoring.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    f.engine->SetListener(&f.recorder);
    std::map<std::string, int> verify;
    int matched = -1;
    for (const auto& e : ignoring.Events()) {
        if (e.kind == "verify")
            verify[e.text] = e.status;
        if (e.kind == "verifycomplete")
            matched = e.b;
    }
    EXPECT_EQ(verify["\\a.txt"], 3);
    EXPECT_EQ(verify["\\gone.txt"], 0); // the source is unreadable
    EXPECT_EQ(matched, 1);

    // A source that changed after writing is caught by verification as differing bytes.
    testsupport::writeFile(f.dir / "gone.txt", "SECOND FILE");
    layout->AddItem((f.dir / "gone.txt").string(), "\\gone.txt");
    Recorder changed;
    f.engine->SetListener(&changed);
    testsupport::writeFile(f.dir / "a.txt", "FIRST");
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "out2.iso"));
    EXPECT_EQ(changed.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    f.engine->SetListener(&f.recorder);
}

TEST(Failure, CancelMidWriteLeavesNoPartialFileAndTheOldTarget) {
    Fixture f;
    testsupport::writeFile(f.dir / "big.bin", Pattern(12 << 20, 3));
    f.image->Layout()->AddItem((f.dir / "big.bin").string(), "\\big.bin");
    fs::create_directories(f.dir / "out");
    testsupport::writeFile(f.dir / "out" / "t.iso", "keep me");
    f.recorder.cancelWhen = [](int status, int progress) {
        return status == kWriteWriting && progress > 10;
    };
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "out" / "t.iso"));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCancelled);
    f.engine->WaitForJobs();
    EXPECT_EQ(testsupport::readFile(f.dir / "out" / "t.iso"), "keep me");
    EXPECT_EQ(Names(f.dir / "out"), std::vector<std::string>{"t.iso"});

    // Cancel() from another thread stops a slow (throttled) burn; the disc stays blank.
    f.Store().InsertBlank('E', kMediaCDR);
    Recorder burn;
    f.engine->SetListener(&burn);
    f.image->SetWriteSpeed(2048); // about 6 s for the image
    auto e = f.engine->FindDevice('E');
    ASSERT_TRUE(f.image->WriteToDevice(e));
    EXPECT_FALSE(f.image->WriteToDevice(e)); // one job per image and drive
    f.image->Cancel();
    EXPECT_EQ(burn.WaitEnd(), kWriteCancelled);
    f.engine->WaitForJobs();
    f.engine->SetListener(&f.recorder);
    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->DiscStatus(), kDiscEmpty);
    auto left = Names(f.Store().FolderOf('E'));
    for (const auto& name : left)
        EXPECT_EQ(name.find("disc.iso"), std::string::npos) << name;
}
