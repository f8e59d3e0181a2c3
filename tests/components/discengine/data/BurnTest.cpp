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
