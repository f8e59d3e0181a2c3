// Data burns to the virtual recorder E: (a blank CD-R), read back through the volume layer.
#include "DataFixture.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

namespace {
std::string ReadDisc(IDiscVolume& volume, const std::string& path) {
    std::string bytes;
    volume.ReadFile(path, [&](const char* d, std::size_t n) {
        bytes.append(d, n);
        return true;
    });
    return bytes;
}
} // namespace

TEST(Burn, BlankCDRGetsADataTrackReadableThroughTheVolumeLayerWithOrderedEvents) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDR);
    auto files = f.MakeTree();
    f.image->Volume()->SetLabel("My Disc");
    f.image->SetFileSystems(7);
    f.image->SetAutoVerify(true);
    f.image->SetCacheFiles(true);
    f.image->SetFinalize(false);
    auto e = f.engine->FindDevice('E');
    ASSERT_TRUE(f.image->WriteToDevice(e));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    EXPECT_EQ(f.recorder.Statuses(),
              (std::vector<int>{kWritePreparing, kWriteCachingImage, kWriteLeadIn, kWriteWriting,
                                kWriteClosingTrack, kWriteLeadOut, kWriteUpdatingVolume,
                                kWriteCompleted}));
    int matched = -1;
    for (const auto& ev : f.recorder.Events())
        if (ev.kind == "verifycomplete")
            matched = ev.b;
    EXPECT_EQ(matched, static_cast<int>(files.size()));

    e->Refresh(false);
    auto info = e->DiscInfo();
    EXPECT_EQ(info->DiscStatus(), kDiscIncomplete); // not finalized: appendable
    EXPECT_TRUE(info->IsOpen());
    auto track = e->TrackInfo(1);
    ASSERT_TRUE(track);
    EXPECT_TRUE(track->IsData());
    EXPECT_EQ(static_cast<std::uint64_t>(track->BlockCount()) * 2048, f.image->ImageSize());
    EXPECT_EQ(e->TrackFileSystems(1), kFsISO9660 | kFsJoliet | kFsUDF);
    auto volume = e->Volume();
    EXPECT_EQ(volume->Label(), "My Disc"); // the Joliet label
    for (const auto& [path, bytes] : files)
        EXPECT_EQ(ReadDisc(*volume, path), bytes) << path;

    // The disc's files can be the sources of a new image ("E:\..." paths).
    auto layout = f.image->Layout();
    layout->Clear();
    layout->AddItem("E:\\docs\\Report 2024 final version.pdf", "\\copy.pdf");
    ASSERT_TRUE(f.image->WriteToImageFile(f.dir / "copy.iso"));
    WaitForJobsOrDie(*f.engine);
    f.Store().InsertImage('D', f.dir / "copy.iso");
    auto d = f.engine->FindDevice('D');
    d->Refresh(false);
    EXPECT_EQ(ReadDisc(*d->Volume(), "\\copy.pdf"), files[1].second);
}

TEST(Burn, FinalizedImageFileBurnAndTestModeWhichWritesNothing) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDR);
    auto files = f.MakeTree();
    fs::path iso = f.dir / "in.iso";
    ASSERT_TRUE(f.image->WriteToImageFile(iso));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    auto e = f.engine->FindDevice('E');

    // Test mode: every event, no disc change.
    Fixture* fp = &f;
    (void)fp;
    datatest::Recorder testRecorder;
    f.engine->SetListener(&testRecorder);
    f.image->SetTestMode(true);
    ASSERT_TRUE(f.image->WriteImageFileToDevice(iso, e));
    EXPECT_EQ(testRecorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    EXPECT_EQ(testRecorder.Statuses(),
              (std::vector<int>{kWritePreparing, kWriteLeadIn, kWriteWriting, kWriteClosingTrack,
                                kWriteLeadOut, kWriteUpdatingVolume, kWriteCompleted}));
    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->DiscStatus(), kDiscEmpty);
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.iso"));

    datatest::Recorder realRecorder;
    f.engine->SetListener(&realRecorder);
    f.image->SetTestMode(false);
    f.image->SetFinalize(true);
    f.image->SetAutoVerify(true);
    ASSERT_TRUE(f.image->WriteImageFileToDevice(iso, e));
    EXPECT_EQ(realRecorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->DiscStatus(), kDiscComplete);
    EXPECT_FALSE(e->DiscInfo()->IsOpen());
    EXPECT_EQ(testsupport::readFile(f.Store().FolderOf('E') / "disc.iso"),
              testsupport::readFile(iso));
    int matched = -1;
    for (const auto& ev : realRecorder.Events())
        if (ev.kind == "verifycomplete")
            matched = ev.b;
    EXPECT_EQ(matched, static_cast<int>(files.size()));

    // A written disc is refused as a device error, the disc untouched.
    datatest::Recorder again;
    f.engine->SetListener(&again);
    ASSERT_TRUE(f.image->WriteImageFileToDevice(iso, e));
    EXPECT_EQ(again.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    bool deviceError = false;
    for (const auto& ev : again.Events())
        if (ev.kind == "error")
            deviceError = ev.a == kWriteErrorDevice && ev.error->DeviceError() != nullptr;
    EXPECT_TRUE(deviceError);
}

TEST(Burn, TooLargeForTheDiscIsADeviceErrorAndTheDiscStaysBlank) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDR, 100); // 100 blocks
    testsupport::writeFile(f.dir / "big.bin", Pattern(1 << 20, 5));
    f.image->Layout()->AddItem((f.dir / "big.bin").string(), "\\big.bin");
    auto e = f.engine->FindDevice('E');
    ASSERT_TRUE(f.image->WriteToDevice(e));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->DiscStatus(), kDiscEmpty);
}

TEST(Burn, UdfOnlyDiscIsReadBackAndVerifiedThroughLibudfWhileTheDriveShowsTheWriteSpeed) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDR);
    auto files = f.MakeTree();
    f.image->Volume()->SetLabel("Udf Only");
    f.image->SetFileSystems(4);
    f.image->SetAutoVerify(true);
    f.image->SetFinalize(true);
    auto e = f.engine->FindDevice('E');
    const std::int32_t speed = 40 * kCDSpeed1x;
    f.image->SetWriteSpeed(speed);
    std::vector<std::int32_t> speeds;
    f.recorder.cancelWhen = [&](int status, int) {
        if (status == kWriteWriting)
            speeds.push_back(e->CurrentSpeed());
        return false;
    };
    ASSERT_TRUE(f.image->WriteToDevice(e));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    ASSERT_FALSE(speeds.empty());
    for (auto s : speeds)
        EXPECT_EQ(s, speed);
    EXPECT_EQ(e->CurrentSpeed(), e->MaxReadSpeed()); // idle again
    int matched = -1;
    for (const auto& ev : f.recorder.Events())
        if (ev.kind == "verifycomplete")
            matched = ev.b;
    EXPECT_EQ(matched, static_cast<int>(files.size()));

    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->DiscStatus(), kDiscComplete);
    EXPECT_EQ(e->TrackFileSystems(1), kFsUDF);
    auto volume = e->Volume();
    EXPECT_EQ(volume->Label(), "Udf Only");
    for (const auto& [path, bytes] : files)
        EXPECT_EQ(ReadDisc(*volume, path), bytes) << path;
    auto docs = volume->List("\\docs");
    EXPECT_EQ(docs.size(), 3u);
    EXPECT_FALSE(volume->Stat("\\docs\\missing.txt"));
    EXPECT_THROW(ReadDisc(*volume, "\\docs"), EngineError);
    // A copy of a UDF file goes through a temporary file in the target folder.
    volume->CopyFile("\\big.bin", f.dir / "copy.bin");
    EXPECT_EQ(testsupport::readFile(f.dir / "copy.bin"), files[4].second);
}

TEST(Burn, TrayOpenedMediumFaultAndVanishedSourceEndInErrorsWithTheDiscBlank) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDRW);
    testsupport::writeFile(f.dir / "big.bin", Pattern(40 << 20, 8));
    testsupport::writeFile(f.dir / "small.txt", "small");
    f.image->Layout()->AddItem((f.dir / "big.bin").string(), "\\big.bin");
    f.image->Layout()->AddItem((f.dir / "small.txt").string(), "\\small.txt");
    auto e = f.engine->FindDevice('E');
    auto errorOf = [](Recorder& r) -> std::shared_ptr<IWriteErrorX> {
        for (const auto& ev : r.Events())
            if (ev.kind == "error")
                return ev.error;
        return nullptr;
    };
    auto blank = [&] {
        e->Refresh(false);
        return e->DiscInfo()->DiscStatus() == kDiscEmpty && e->TrackInfo(1)->IsBlank();
    };

    // The tray opens while the track is written.
    bool opened = false;
    f.recorder.cancelWhen = [&](int status, int progress) {
        if (status == kWriteWriting && progress > 5 && !opened) {
            opened = true;
            f.Store().SetTray('E', true);
        }
        return false;
    };
    ASSERT_TRUE(f.image->WriteToDevice(e));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    auto error = errorOf(f.recorder);
    ASSERT_TRUE(error && error->DeviceError());
    EXPECT_EQ(error->Kind(), kWriteErrorDevice);
    EXPECT_EQ(error->DeviceError()->ErrorCode(), kErrNoMedium);
    f.Store().SetTray('E', false);
    EXPECT_TRUE(blank());

    // The medium fails part-way (drive.ini fault injection).
    auto config = f.Store().ReadDrive('E');
    config.failWriteAfterBlocks = 1000;
    f.Store().WriteDrive('E', config);
    e->Refresh(false);
    Recorder fault;
    f.engine->SetListener(&fault);
    ASSERT_TRUE(f.image->WriteToDevice(e));
    EXPECT_EQ(fault.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    error = errorOf(fault);
    ASSERT_TRUE(error && error->DeviceError());
    EXPECT_EQ(error->DeviceError()->ErrorCode(), kErrWriteFault);
    EXPECT_TRUE(blank());
    config.failWriteAfterBlocks = -1;
    f.Store().WriteDrive('E', config);
    e->Refresh(false);

    // A source deleted after it was added: a source-file error naming it.
    fs::remove(f.dir / "small.txt");
    Recorder vanished;
    f.engine->SetListener(&vanished);
    ASSERT_TRUE(f.image->WriteToDevice(e));
    EXPECT_EQ(vanished.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    error = errorOf(vanished);
    ASSERT_TRUE(error && error->FileError());
    EXPECT_EQ(error->Kind(), kWriteErrorSourceFile);
    EXPECT_EQ(error->FileError()->Path(), (f.dir / "small.txt").string());
    EXPECT_TRUE(blank());
    for (const auto& entry : fs::directory_iterator(f.Store().FolderOf('E')))
        EXPECT_EQ(entry.path().filename().string().find("disc.iso"), std::string::npos);

    // A reader cannot write: the job starts and reports a device error.
    Recorder reader;
    f.engine->SetListener(&reader);
    ASSERT_TRUE(f.image->WriteToDevice(f.engine->FindDevice('D')));
    EXPECT_EQ(reader.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*f.engine);
    f.engine->SetListener(&f.recorder);
    error = errorOf(reader);
    ASSERT_TRUE(error && error->DeviceError());
    EXPECT_EQ(error->DeviceError()->ErrorCode(), kErrNotWriter);
}
