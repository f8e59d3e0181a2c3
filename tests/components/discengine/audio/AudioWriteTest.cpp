#include "AudioBurnSupport.h"

#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <gtest/gtest.h>

using namespace audioburn;
using namespace discengine;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFrame = 2352;

// Status codes, with the track for 2, 3 and 4 (status * 100 + track), repeats collapsed.
std::vector<int> Sequence(Recorder& recorder) {
    std::vector<int> codes;
    for (const auto& e : recorder.Events()) {
        int code = (e.status >= 2 && e.status <= 4) ? e.status * 100 + e.currentTrack : e.status;
        if (codes.empty() || codes.back() != code)
            codes.push_back(code);
    }
    return codes;
}

std::string Padded(std::string pcm, std::size_t frames) {
    pcm.resize(frames * kFrame, '\0');
    return pcm;
}

bool HasError(Recorder& recorder, const std::string& text) {
    for (const auto& e : recorder.Events())
        if (e.status == -1 && e.text.find(text) != std::string::npos)
            return true;
    return false;
}

void ExpectBlank(Fixture& f) {
    auto drive = f.engine->FindDevice('E');
    drive->Refresh(true);
    EXPECT_EQ(drive->DiscInfo()->DiscStatus(), kDiscEmpty);
    EXPECT_EQ(drive->UsedBlocks(false), 0);
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.bin"));
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.bin.part"));
}

} // namespace

TEST(AudioWrite, TrackAtOnceWithCachingRoundTripsThroughLibcdioWithGapsAndTitles) {
    Fixture f;
    const std::vector<std::string> wavs = {CdWavBytes(441000 + 17, 1), CdWavBytes(300000, 2),
                                           CdWavBytes(88200, 3)};
    auto image = f.engine->AudioImage();
    std::vector<std::string> names = {"Morning Ünder.wav", "b.wav", "c.wav"};
    for (std::size_t i = 0; i < wavs.size(); ++i)
        ASSERT_TRUE(image->InsertTrack(f.Write(names[i], wavs[i]), static_cast<int>(i + 1)));
    image->SetWriteKind(1);
    image->SetWriteSpeed(0);
    image->SetCacheFiles(true);
    image->SetWriteMode(2);
    const std::vector<int> frames = {751, 511, 300}; // 88200 samples = 2 s, padded to 4 s
    ASSERT_EQ(image->TotalBlocks(), 150 + 751 + 150 + 511 + 150 + 300);
    auto drive = f.engine->FindDevice('E');
    ASSERT_TRUE(image->WriteToDevice(drive));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    EXPECT_EQ(Sequence(f.recorder),
              (std::vector<int>{0, 201, 202, 203, 5, 301, 401, 302, 402, 303, 403, 6, 9}));
    for (const auto& e : f.recorder.Events()) {
        if (e.status == kWriteWriting) {
            EXPECT_EQ(e.trackCount, 3);
        }
    }
    EXPECT_FALSE(f.recorder.Events().empty());

    DiscRead disc = ReadDisc(f.Store().FolderOf('E') / "disc.cue");
    ASSERT_EQ(disc.tracks, 3);
    EXPECT_EQ(disc.starts, (std::vector<int>{0, 751 + 150, 751 + 150 + 511 + 150}));
    EXPECT_EQ(disc.lengths, (std::vector<int>{751 + 150, 511 + 150, 300}));
    for (std::size_t i = 0; i < 3; ++i) {
        // The track's audio padded to whole frames, then the next track's silent pregap.
        EXPECT_EQ(disc.pcm[i], Padded(PcmOf(wavs[i]), static_cast<std::size_t>(disc.lengths[i])))
            << "track " << i + 1;
    }
    // Latin-1 on the disc (libcdio hands CD-Text back as UTF-8).
    EXPECT_EQ(disc.titles, (std::vector<std::string>{"Morning Ünder", "b", "c"}));
    EXPECT_NE(testsupport::readFile(f.Store().FolderOf('E') / "disc.cue").find("Morning \xDCnder"),
              std::string::npos);

    // The drive, and a fresh engine that checks the payload with libcdio, see the same disc.
    drive->Refresh(true);
    EXPECT_EQ(drive->MediumProblem(), "");
    auto info = drive->DiscInfo();
    EXPECT_EQ(info->DiscStatus(), kDiscComplete);
    EXPECT_FALSE(info->IsOpen());
    auto list = drive->AudioTrackList();
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ(list->TrackLength(3), 300);
    auto again = CreateEngine({f.dir / "drives", false});
    ASSERT_TRUE(again->Initialize(0));
    EXPECT_EQ(again->FindDevice('E')->MediumProblem(), "");
    EXPECT_EQ(again->FindDevice('E')->AudioTrackList()->Count(), 3);
}

TEST(AudioWrite, DiscAtOnceWritesNoGapsAndWithoutFinalizeLeavesAnOpenDisc) {
    Fixture f;
    auto image = f.engine->AudioImage();
    const std::string a = CdWavBytes(44100 * 5, 7), b = CdWavBytes(44100 * 6 + 3, 8);
    ASSERT_TRUE(image->InsertTrack(f.Write("a.wav", a), 1));
    ASSERT_TRUE(image->InsertTrack(f.Write("b.wav", b), 2));
    image->SetWriteMode(232);
    image->SetFinalize(false);
    image->SetCopyMode(true);
    ASSERT_TRUE(image->WriteToDevice(f.engine->FindDevice('E')));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    EXPECT_EQ(Sequence(f.recorder), (std::vector<int>{0, 5, 301, 401, 302, 402, 6, 9}));
    DiscRead disc = ReadDisc(f.Store().FolderOf('E') / "disc.cue");
    ASSERT_EQ(disc.tracks, 2);
    EXPECT_EQ(disc.lengths, (std::vector<int>{375, 451}));
    EXPECT_EQ(disc.pcm[0], Padded(PcmOf(a), 375));
    EXPECT_EQ(disc.pcm[1], Padded(PcmOf(b), 451));
    EXPECT_EQ(disc.titles, (std::vector<std::string>{"", ""})); // copy mode: no file names
    auto drive = f.engine->FindDevice('E');
    EXPECT_EQ(drive->DiscInfo()->DiscStatus(), kDiscIncomplete);
    EXPECT_TRUE(drive->DiscInfo()->IsOpen());

    // A disc that already holds tracks is not blank: the next audio write is refused.
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "not blank"));
    EXPECT_EQ(ReadDisc(f.Store().FolderOf('E') / "disc.cue").lengths, disc.lengths);
}

TEST(AudioWrite, RefusedBeforeWritingTooLongCompleteDiscTestModeWithoutCapability) {
    Fixture f;
    auto image = f.engine->AudioImage();
    ASSERT_TRUE(image->InsertTrack(f.Write("a.wav", CdWavBytes(441000, 1)), 1));
    ASSERT_TRUE(image->InsertTrack(f.Write("b.wav", CdWavBytes(441000, 2)), 2));
    auto drive = f.engine->FindDevice('E');

    // 150 + 750 + 150 + 750 frames on a CD-R of 1,700 blocks.
    f.Store().InsertBlank('E', kMediaCDR, 1700);
    drive->Refresh(false);
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "need 1800 blocks, the disc has 1700 free"));
    f.engine->WaitForJobs();
    ExpectBlank(f);

    // A finished CD-R takes nothing more.
    f.Store().InsertBlank('E', kMediaCDR);
    ASSERT_TRUE(image->WriteToDevice(drive));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "complete and cannot be written"));
    f.engine->WaitForJobs();

    // A reader, and a recorder without test writing asked for a test write.
    ASSERT_TRUE(image->WriteToDevice(f.engine->FindDevice('D')));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "cannot write"));
    f.engine->WaitForJobs();
    f.Store().InsertBlank('E', kMediaCDRW);
    auto config = f.Store().ReadDrive('E');
    std::erase(config.capabilities, kCapTestWrite);
    f.Store().WriteDrive('E', config);
    drive->Refresh(false);
    image->SetTestMode(true);
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "test mode"));
    f.engine->WaitForJobs();
    ExpectBlank(f);

    // No tracks, or no drive: nothing starts.
    image->ClearTracks();
    EXPECT_FALSE(image->WriteToDevice(drive));
    EXPECT_FALSE(image->WriteToDevice(nullptr));
}

TEST(AudioWrite, TestModeRunsEveryStepAndWritesNothing) {
    Fixture f;
    auto image = f.engine->AudioImage();
    ASSERT_TRUE(image->InsertTrack(f.Write("a.wav", CdWavBytes(100000, 1)), 1));
    image->SetTestMode(true);
    ASSERT_TRUE(image->WriteToDevice(f.engine->FindDevice('E')));
    ASSERT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    EXPECT_EQ(Sequence(f.recorder), (std::vector<int>{0, 5, 301, 401, 6, 9}));
    ExpectBlank(f);
}

TEST(AudioWrite, CancelBeforeTheFirstBlockKeepsTheDiscBlankLaterItIsSpoiled) {
    Fixture f;
    auto image = f.engine->AudioImage();
    ASSERT_TRUE(image->InsertTrack(f.Write("a.wav", CdWavBytes(44100 * 40, 1)), 1));
    auto drive = f.engine->FindDevice('E');
    f.recorder.hook = [&](const Event& e, bool&) {
        if (e.status == kWriteWriting && e.trackProgress == 0)
            image->Cancel();
    };
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCancelled);
    f.engine->WaitForJobs();
    ExpectBlank(f);

    // The listener's cancel flag, once blocks reached the disc: the CD-RW needs erasing.
    f.recorder.hook = [&](const Event& e, bool& cancel) {
        if (e.status == kWriteWriting && e.trackProgress > 0)
            cancel = true;
    };
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCancelled);
    f.engine->WaitForJobs();
    drive->Refresh(true);
    EXPECT_EQ(drive->DiscInfo()->DiscStatus(), kDiscUnknown);
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.bin.part"));
    for (const auto& e : f.recorder.Events())
        EXPECT_NE(e.status, -1) << "a cancel is not an error: " << e.text;
}

TEST(AudioWrite, SourcesThatVanishedOrChangedAfterInsert) {
    Fixture f;
    auto image = f.engine->AudioImage();
    auto drive = f.engine->FindDevice('E');
    const std::string a = CdWavBytes(44100 * 5, 1);
    auto first = f.Write("a.wav", a);
    auto second = f.Write("b.wav", CdWavBytes(44100 * 5, 2));
    ASSERT_TRUE(image->InsertTrack(first, 1));
    ASSERT_TRUE(image->InsertTrack(second, 2));

    fs::remove(second);
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "3 Cannot open the source file"));
    EXPECT_TRUE(HasError(f.recorder, second.string()));
    f.engine->WaitForJobs();
    ExpectBlank(f);

    // Now an MP3 in disguise: no longer the WAV it was.
    testsupport::writeFile(second, "ID3\x03garbage that is no RIFF");
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "no longer a 44.1 kHz 16-bit stereo WAV"));
    f.engine->WaitForJobs();
    ExpectBlank(f);

    // Shorter than when inserted: a warning; refused it ends the write, let pass the track
    // keeps its length with silence at the end.
    const std::string shorter = CdWavBytes(44100 * 2, 2);
    testsupport::writeFile(second, shorter);
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    f.engine->WaitForJobs();
    ExpectBlank(f);
    f.recorder.ignoreWarnings = true;
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteCompleted);
    f.engine->WaitForJobs();
    int warnings = 0;
    for (const auto& e : f.recorder.Events())
        warnings += (e.status == -2 && e.currentTrack == 2) ? 1 : 0;
    EXPECT_EQ(warnings, 2);
    DiscRead disc = ReadDisc(f.Store().FolderOf('E') / "disc.cue");
    ASSERT_EQ(disc.tracks, 2);
    EXPECT_EQ(disc.lengths, (std::vector<int>{375 + 150, 375}));
    EXPECT_EQ(disc.pcm[1], Padded(PcmOf(shorter), 375));
    EXPECT_EQ(disc.pcm[0], Padded(PcmOf(a), 525));
}

TEST(AudioWrite, AWriteFaultMidDiscReportsADeviceErrorAndSpoilsTheDisc) {
    Fixture f;
    auto config = f.Store().ReadDrive('E');
    config.failWriteAfterBlocks = 1200;
    f.Store().WriteDrive('E', config);
    auto drive = f.engine->FindDevice('E');
    drive->Refresh(false);
    auto image = f.engine->AudioImage();
    ASSERT_TRUE(image->InsertTrack(f.Write("a.wav", CdWavBytes(44100 * 30, 1)), 1));
    int secondStart = -1;
    f.recorder.hook = [&](const Event& e, bool&) {
        if (e.status == kWritePreparing) // one job per image and drive at a time
            secondStart = image->WriteToDevice(drive) ? 1 : 0;
    };
    ASSERT_TRUE(image->WriteToDevice(drive));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError);
    EXPECT_TRUE(HasError(f.recorder, "1 Write error: the medium failed at block 1200"));
    EXPECT_EQ(secondStart, 0);
    f.engine->WaitForJobs();
    drive->Refresh(true);
    EXPECT_EQ(drive->DiscInfo()->DiscStatus(), kDiscUnknown);
    EXPECT_FALSE(fs::exists(f.Store().FolderOf('E') / "disc.bin.part"));
}
