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
    WaitForJobsOrDie(*f.engine);
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
    WaitForJobsOrDie(*f.engine);
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

    // A source that grew after it was added stops the write as a source-file error.
    testsupport::writeFile(f.dir / "gone.txt", "second file");
    layout->AddItem((f.dir / "gone.txt").string(), "\\gone.txt");
    testsupport::writeFile(f.dir / "gone.txt", "second file, longer now");
    Recorder grown;
    f.engine->SetListener(&grown);
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "out2.iso"));
    EXPECT_EQ(grown.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    bool grownError = false;
    for (const auto& e : grown.Events())
        if (e.kind == "error")
            grownError = e.a == kWriteErrorSourceFile &&
                         e.error->FileError()->Path() == (f.dir / "gone.txt").string();
    EXPECT_TRUE(grownError);
    EXPECT_FALSE(fs::exists(f.dir / "out2.iso"));
}

TEST(Failure, VerificationNamesSourcesThatDifferFromTheWrittenFiles) {
    Fixture f;
    testsupport::writeFile(f.dir / "same.txt", "unchanged");
    testsupport::writeFile(f.dir / "edited.txt", "original");
    testsupport::writeFile(f.dir / "cut.txt", "will be cut short");
    auto layout = f.image->Layout();
    for (const char* name : {"same.txt", "edited.txt", "cut.txt"})
        layout->AddItem((f.dir / name).string(), std::string("\\") + name);
    f.image->SetAutoVerify(true);
    f.image->SetFileSystems(4);
    // The sources change once the image is written, before it is read back.
    f.recorder.onVerifyStart = [&] {
        testsupport::writeFile(f.dir / "edited.txt", "ORIGINAL");
        testsupport::writeFile(f.dir / "cut.txt", "cut");
    };
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "v.iso"));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    std::map<std::string, int> verify;
    int matched = -1, count = -1;
    for (const auto& e : f.recorder.Events()) {
        if (e.kind == "verify")
            verify[e.text] = e.status;
        if (e.kind == "verifycomplete") {
            count = e.a;
            matched = e.b;
        }
    }
    EXPECT_EQ(verify["\\same.txt"], 3);
    EXPECT_EQ(verify["\\edited.txt"], 2); // differ
    EXPECT_EQ(verify["\\cut.txt"], 5);    // sizes differ
    EXPECT_EQ(count, 3);
    EXPECT_EQ(matched, 1);
}

TEST(Failure, DiskFullIsAnOutputFileErrorAndABurnDeviceErrorWithNothingLeftBehind) {
    testsupport::TempDir dir;
    fs::path out = dir / "out" / "image.iso";
    fs::create_directories(out.parent_path());
    testsupport::writeFile(out, "previous image");
    testsupport::writeFile(dir / "big.bin", Pattern(4 << 20, 7));
    int result = RunInChild([&] {
        // A file size limit stands in for a full disk (EFBIG instead of ENOSPC). Only the soft
        // limit is lowered, once the drive store exists.
        std::signal(SIGXFSZ, SIG_IGN);
        auto engine = CreateEngine({dir / "drives", true});
        if (!engine->Initialize(0))
            return 10;
        VirtualStore(dir / "drives").InsertBlank('E', kMediaCDR);
        auto e = engine->FindDevice('E');
        e->Refresh(false);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1 << 20;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 11;
        Recorder file;
        engine->SetListener(&file);
        auto image = engine->DataImage();
        image->Layout()->AddItem((dir / "big.bin").string(), "\\big.bin");
        if (!image->WriteToImageFile(out) || file.WaitEnd() != kWriteError)
            return 12;
        WaitForJobsOrDie(*engine);
        bool outputError = false;
        for (const auto& ev : file.Events())
            if (ev.kind == "error")
                outputError = ev.a == kWriteErrorOutputFile && ev.error->FileError() &&
                              ev.error->FileError()->Path() == out.string();
        if (!outputError)
            return 13;
        // The drive store cannot take the track either: a device error, the disc stays blank.
        Recorder burn;
        engine->SetListener(&burn);
        if (!image->WriteToDevice(e) || burn.WaitEnd() != kWriteError)
            return 14;
        WaitForJobsOrDie(*engine);
        engine->SetListener(nullptr);
        bool deviceError = false;
        for (const auto& ev : burn.Events())
            if (ev.kind == "error")
                deviceError = ev.a == kWriteErrorDevice && ev.error->DeviceError();
        if (!deviceError)
            return 15;
        e->Refresh(false);
        return e->DiscInfo()->DiscStatus() == kDiscEmpty ? 0 : 16;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testsupport::readFile(out), "previous image");
    EXPECT_EQ(NamesIn(out.parent_path()), std::vector<std::string>{"image.iso"});
    for (const auto& name : NamesIn(VirtualStore(dir / "drives").FolderOf('E')))
        EXPECT_EQ(name.find("disc.iso"), std::string::npos) << name;
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
    WaitForJobsOrDie(*f.engine);
    EXPECT_EQ(testsupport::readFile(f.dir / "out" / "t.iso"), "keep me");
    EXPECT_EQ(NamesIn(f.dir / "out"), std::vector<std::string>{"t.iso"});

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
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->DiscStatus(), kDiscEmpty);
    auto left = NamesIn(f.Store().FolderOf('E'));
    for (const auto& name : left)
        EXPECT_EQ(name.find("disc.iso"), std::string::npos) << name;
}
