#include "discengine/Disc.h"
#include "discengine/DriveRegistry.h"
#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace discengine;
namespace fs = std::filesystem;

namespace {
std::unique_ptr<IDVDEngineX> Open(const fs::path& store) {
    auto engine = CreateEngine({store, true});
    EXPECT_TRUE(engine->Initialize(0)) << engine->LastError();
    return engine;
}
} // namespace

TEST(Store, DefaultStoreHasSampleReaderBlankRecorderAndSampleDataRecorder) {
    testsupport::TempDir dir;
    auto engine = Open(dir / "drives");
    ASSERT_EQ(engine->DeviceCount(), 3);
    auto d = engine->Device(0), e = engine->Device(1);
    EXPECT_EQ(d->DriveLetter(), 'D');
    EXPECT_EQ(d->Description().rfind("D: ", 0), 0u);
    EXPECT_FALSE(d->IsWriter());
    EXPECT_EQ(d->MaxWriteSpeed(), 0);
    auto dInfo = d->DiscInfo();
    EXPECT_EQ(dInfo->MediaType(), kMediaCDROM);
    EXPECT_EQ(dInfo->DiscStatus(), kDiscComplete);
    EXPECT_FALSE(dInfo->IsOpen());
    EXPECT_EQ(dInfo->SessionCount(), 1);
    EXPECT_EQ(dInfo->TrackCount(), 5);
    EXPECT_EQ(d->AudioTrackList()->Count(), 5);
    EXPECT_EQ(d->AudioTrackList()->TrackLength(1), 24 * 75);
    EXPECT_TRUE(d->TrackInfo(1)->IsAudio());
    EXPECT_EQ(d->TrackInfo(6), nullptr);
    EXPECT_EQ(d->FreeBlocks(false), 0);

    EXPECT_EQ(e->Description().rfind("E: ", 0), 0u);
    EXPECT_TRUE(e->IsWriter());
    EXPECT_TRUE(e->Supports(17));
    EXPECT_FALSE(e->Supports(21));
    auto eInfo = e->DiscInfo();
    EXPECT_EQ(eInfo->MediaType(), kMediaCDRW);
    EXPECT_EQ(eInfo->DiscStatus(), kDiscEmpty);
    EXPECT_TRUE(eInfo->IsOpen());
    EXPECT_TRUE(eInfo->IsErasable());
    EXPECT_EQ(eInfo->SessionCount(), 0);
    EXPECT_EQ(e->FreeBlocks(true), kBlocksCD80);
    EXPECT_EQ(e->UsedBlocks(true), 0);
    ASSERT_NE(e->TrackInfo(1), nullptr);
    EXPECT_TRUE(e->TrackInfo(1)->IsBlank());
    EXPECT_GT(e->WriteSpeedCount(), 0);
    EXPECT_DOUBLE_EQ(e->SpeedMultiple(e->WriteSpeed(0)), 48.0);

    // F: a recorder holding the sample data CD in ISO9660 + Joliet + UDF.
    auto f = engine->Device(2);
    EXPECT_EQ(f->DriveLetter(), 'F');
    EXPECT_TRUE(f->IsWriter());
    auto fInfo = f->DiscInfo();
    EXPECT_EQ(fInfo->MediaType(), kMediaCDROM);
    EXPECT_EQ(fInfo->DiscStatus(), kDiscComplete);
    EXPECT_EQ(fInfo->TrackCount(), 1);
    EXPECT_TRUE(f->TrackInfo(1)->IsData());
    EXPECT_EQ(f->TrackFileSystems(1), kFsISO9660 | kFsJoliet | kFsUDF);
    EXPECT_GT(f->UsedBlocks(true), 0);
    EXPECT_EQ(f->Volume()->Label(), "SAMPLE DATA");
    EXPECT_TRUE(f->Volume()->Exists("\\Documents\\Archive\\2023 report.txt"));

    // The registry gives the grabbing library the sample disc's cue sheet.
    auto source = DriveCdioSource('d', dir / "elsewhere");
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(fs::path(source->path).filename(), "disc.cue");
    EXPECT_FALSE(DriveCdioSource('E', dir / "elsewhere").has_value());
    EXPECT_NE(engine->DataImage(), nullptr);
    EXPECT_NE(engine->AudioImage(), nullptr);
}

TEST(Store, TrayAndMediaChangesRoundTripThroughTheStore) {
    testsupport::TempDir dir;
    auto engine = Open(dir / "drives");
    auto e = engine->FindDevice('e');
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->Eject());
    EXPECT_EQ(e->DiscInfo()->MediaType(), kMediaNone);
    // A second engine (as another process would) sees the open tray.
    auto other = Open(dir / "drives");
    EXPECT_TRUE(other->FindDevice('E')->IsTrayOpen());
    EXPECT_EQ(other->FindDevice('E')->DiscInfo()->MediaType(), kMediaNone);
    EXPECT_TRUE(e->CloseTray());
    EXPECT_EQ(e->DiscInfo()->MediaType(), kMediaCDRW);

    VirtualStore store(dir / "drives");
    store.InsertBlank('E', kMediaDVDPRW);
    EXPECT_EQ(e->DiscInfo()->MediaType(), kMediaCDRW); // until Refresh
    e->Refresh(false);
    EXPECT_EQ(e->DiscInfo()->MediaType(), kMediaDVDPRW);
    EXPECT_EQ(e->FreeBlocks(false), kBlocksDVD);
    EXPECT_DOUBLE_EQ(e->SpeedMultiple(kDVDSpeed1x * 4), 4.0);

    // An incomplete audio disc: the open track counts and belongs to a new session.
    MediumState m;
    m.mediaType = kMediaCDR;
    m.capacity = kBlocksCD80;
    m.discStatus = kDiscIncomplete;
    m.lastSessionStatus = kSessionComplete;
    m.audioPayload = "disc.cue";
    m.tracks = {{1, true, 0, 1000}, {1, true, 1000, 2000}};
    EXPECT_EQ(FormatMediumIni(ParseMediumIni(FormatMediumIni(m))), FormatMediumIni(m));
    DriveConfig config = store.ReadDrive('E');
    EXPECT_EQ(FormatDriveIni(ParseDriveIni(FormatDriveIni(config))), FormatDriveIni(config));
    EXPECT_THROW(store.InsertBlank('E', kMediaCDROM), EngineError);
    EXPECT_THROW(store.FolderOf('Q'), EngineError);
}

TEST(Store, CorruptOrTruncatedFilesGiveNoMediaWithAReason) {
    testsupport::TempDir dir;
    auto engine = Open(dir / "drives");
    fs::path d = VirtualStore(dir / "drives").FolderOf('D');
    auto device = engine->FindDevice('D');

    // Truncated payload
    fs::resize_file(d / "disc.bin", 1000);
    device->Refresh(true);
    EXPECT_EQ(device->DiscInfo()->MediaType(), kMediaNone);
    EXPECT_NE(device->MediumProblem().find("truncated"), std::string::npos);
    EXPECT_THROW(device->Volume(), EngineError);

    // Garbage medium.ini and a cut-off one
    for (std::string text :
         {std::string("\x7f\x45LF\0\0binary", 12), std::string("[Medium]\nMediaTy"),
          std::string("[Medium]\nMediaType=9\nTracks=3\n"),
          std::string("[Medium]\nMediaType=9\nAudioPayload=../../etc/passwd\n")}) {
        testsupport::writeFile(d / "medium.ini", text);
        device->Refresh(true);
        EXPECT_EQ(device->DiscInfo()->MediaType(), kMediaNone) << text;
        EXPECT_FALSE(device->MediumProblem().empty()) << text;
    }

    // A broken cue sheet beside a BIN of the right size
    VirtualStore(dir / "drives").InsertSampleAudio('D');
    testsupport::writeFile(d / "disc.cue", "TRACK garbage\nPOSTGAP 00:00:01\n");
    device->Refresh(true);
    EXPECT_EQ(device->DiscInfo()->MediaType(), kMediaNone);
    EXPECT_NE(device->MediumProblem().find("disc.cue"), std::string::npos);

    // A broken drive.ini keeps the drive listed, empty, with the reason.
    testsupport::writeFile(d / "drive.ini", "[Drive]\nWriter=maybe\n");
    device->Refresh(false);
    EXPECT_EQ(device->DiscInfo()->MediaType(), kMediaNone);
    EXPECT_NE(device->MediumProblem().find("Writer"), std::string::npos);
    auto again = Open(dir / "drives");
    EXPECT_EQ(again->DeviceCount(), 3);
}

TEST(Store, TwoProcessesChangingOneDriveNeverCorruptIt) {
    testsupport::TempDir dir;
    auto engine = Open(dir / "drives");
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                VirtualStore store(dir / "drives");
                for (int i = 0; i < 60; ++i) {
                    store.InsertBlank('E', (i + c) % 2 ? kMediaCDR : kMediaDVDRW);
                    store.SetTray('E', i % 3 == 0);
                }
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(pid);
    }
    auto e = engine->FindDevice('E');
    for (int i = 0; i < 200; ++i) {
        e->Refresh(false);
        EXPECT_TRUE(e->MediumProblem().empty()) << e->MediumProblem();
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    e->Refresh(true);
    EXPECT_TRUE(e->MediumProblem().empty());
    for (const auto& entry : fs::directory_iterator(VirtualStore(dir / "drives").FolderOf('E')))
        EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();
}
