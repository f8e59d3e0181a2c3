// Ripping test discs through the grabber: every format read back by FFmpeg, the monitor's
// reports, abort, and damaged discs.
#include "RipHarness.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

using namespace cdgrbtest;
namespace fs = std::filesystem;

namespace {

class RipTest : public ::testing::Test {
protected:
    void SetUp() override {
        disc_ = writeTestDisc(dir_.path(), {{5 * 75 + 13, "First", "Ann"},
                                            {8 * 75, "Second", "Bob"},
                                            {4 * 75 + 1, "Third", "Cid"}});
        grabber_ = std::make_unique<cdgrb::Grabber>(resolverFor(disc_.cue));
        grabber_->setLetter('D');
    }

    // Files left in the output folder besides the disc's own.
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            const std::string name = e.path().filename().string();
            if (name != "disc.bin" && name != "disc.cue")
                names.push_back(name);
        }
        return names;
    }

    testsupport::TempDir dir_;
    TestDisc disc_;
    std::unique_ptr<cdgrb::Grabber> grabber_;
};

TEST_F(RipTest, WavHoldsTheDiscAudioUnderAStandardHeader) {
    const fs::path out = dir_ / "Second.wav";
    const auto record = wavRecord(out);
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_WAV, &record, sizeof record, 1), CDGRB_OK);
    const std::string wav = testsupport::readFile(out);
    ASSERT_EQ(wav.size(), 44 + disc_.trackPcm(1).size());
    EXPECT_EQ(wav.substr(44), disc_.trackPcm(1));
    // FFmpeg reads it as the same PCM.
    EXPECT_EQ(decodePcm(out), disc_.trackPcm(1));
    auto info = probe(out);
    EXPECT_EQ(info["codec_name"], "pcm_s16le");
    EXPECT_NEAR(std::stod(info["duration"]), disc_.trackSeconds(1), 0.001);
}

TEST_F(RipTest, RawIsTheDiscAudioWithoutHeader) {
    for (int track : {0, 2}) {
        const fs::path out = dir_ / ("track" + std::to_string(track) + ".raw");
        const auto record = rawRecord(out);
        ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_RAW, &record, sizeof record, track), CDGRB_OK);
        EXPECT_EQ(testsupport::readFile(out), disc_.trackPcm(track)) << "track " << track;
    }
}

TEST_F(RipTest, MonitorReportsStartProgressAndEndWithSpeed) {
    const auto record = wavRecord(dir_ / "a.wav");
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_WAV, &record, sizeof record, 0), CDGRB_OK);
    const auto reports = MonitorLog::instance().reports();
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front().kind, CDGRB_MONITOR_STARTED);
    EXPECT_EQ(reports.front().progress, 0.0f);
    float last = 0.0f;
    for (std::size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].kind, CDGRB_MONITOR_PROGRESS);
        EXPECT_GE(reports[i].progress, last);
        last = reports[i].progress;
    }
    EXPECT_EQ(reports.back().kind, CDGRB_MONITOR_ENDED);
    EXPECT_EQ(reports.back().progress, 1.0f);
    EXPECT_EQ(reports.back().track, 0);
    EXPECT_GT(reports.back().speed, 0u);
    // The file is in place when the end is reported.
    EXPECT_TRUE(fs::exists(dir_ / "a.wav"));
}

TEST_F(RipTest, Mp3CbrDecodesToTheTrackWithItsId3Tags) {
    const fs::path out = dir_ / "song.mp3";
    auto record = mp3Record(out);
    record.WriteId3v2 = -1;
    record.GenerateCrc = -1;
    record.Copyright = -1;
    record.Original = -1;
    record.JointStereo = 1;
    TGrbId3v2Frame frames[2] = {};
    std::memcpy(frames[0].FrameId, "TCOM", 4);
    frames[0].Value = "Composer Name";
    std::memcpy(frames[1].FrameId, "TPUB", 4);
    frames[1].Value = "Label Inc";
    record.Id3v2FrameCount = 2;
    record.Id3v2Frames = frames;
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 0), CDGRB_OK);
    auto info = probe(out);
    EXPECT_EQ(info["codec_name"], "mp3");
    EXPECT_EQ(info["bit_rate"], "192000");
    EXPECT_NEAR(std::stod(info["duration"]), disc_.trackSeconds(0), 0.1);
    EXPECT_EQ(info["tag:title"], "Song");
    EXPECT_EQ(info["tag:artist"], "Someone");
    EXPECT_EQ(info["tag:album"], "Record");
    EXPECT_EQ(info["tag:date"], "2024");
    EXPECT_EQ(info["tag:genre"], "Rock");
    EXPECT_EQ(info["tag:composer"], "Composer Name");
    EXPECT_EQ(info["tag:publisher"], "Label Inc");
    // With the LAME header FFmpeg trims the encoder's delay: the decoded length is the track's.
    EXPECT_EQ(decodePcm(out).size(), disc_.trackPcm(0).size());
    // Header flags of the first audio frame after the tag: CRC on (protection bit 0),
    // copyright and original set, joint stereo mode.
    const std::string bytes = testsupport::readFile(out);
    ASSERT_EQ(bytes.substr(0, 3), "ID3");
    const std::size_t tagSize = 10 + ((bytes[6] & 0x7F) << 21 | (bytes[7] & 0x7F) << 14 |
                                      (bytes[8] & 0x7F) << 7 | (bytes[9] & 0x7F));
    const auto h1 = static_cast<unsigned char>(bytes[tagSize + 1]);
    const auto h3 = static_cast<unsigned char>(bytes[tagSize + 3]);
    EXPECT_EQ(static_cast<unsigned char>(bytes[tagSize]), 0xFF);
    EXPECT_EQ(h1 & 0x01, 0) << "CRC protection";
    EXPECT_EQ(h3 >> 6, 1) << "joint stereo";
    EXPECT_EQ(h3 & 0x08, 0x08) << "copyright";
    EXPECT_EQ(h3 & 0x04, 0x04) << "original";
    // ID3v1 at the end.
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 3), "TAG");
    EXPECT_EQ(bytes.substr(bytes.size() - 128 + 3, 4), "Song");
}

TEST_F(RipTest, Mp3ExtraFramesOnlyWithId3v2AndId3v1Alone) {
    const fs::path out = dir_ / "v1.mp3";
    auto record = mp3Record(out);
    record.WriteId3v2 = 0;
    record.Private = -1;
    TGrbId3v2Frame frame{};
    std::memcpy(frame.FrameId, "TCOM", 4);
    frame.Value = "Composer Name";
    record.Id3v2FrameCount = 1;
    record.Id3v2Frames = &frame;
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 2), CDGRB_OK);
    const std::string bytes = testsupport::readFile(out);
    EXPECT_NE(bytes.substr(0, 3), "ID3");
    EXPECT_EQ(bytes.find("Composer Name"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 3), "TAG");
    auto info = probe(out);
    EXPECT_EQ(info["tag:title"], "Song");
    EXPECT_EQ(info.count("tag:composer"), 0u);
    // The private bit of the first frame header.
    std::size_t sync = bytes.find("\xFF\xFB");
    ASSERT_NE(sync, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes[sync + 2]) & 0x01, 0x01);
}

TEST_F(RipTest, Mp3WithoutAnyTagStartsWithAudio) {
    const fs::path out = dir_ / "bare.mp3";
    auto record = mp3Record(out);
    record.WriteId3v1 = 0;
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 2), CDGRB_OK);
    const std::string bytes = testsupport::readFile(out);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG");
}

TEST_F(RipTest, Mp3VbrWithHeaderAndUnicodeTitle) {
    const fs::path out = dir_ / "vbr.mp3";
    auto record = mp3Record(out);
    record.EnableVbr = -1;
    record.VbrQuality = 5;
    record.WriteId3v2 = -1;
    setField(record.Title, "Καλημέρα"); // not Latin-1: UTF-16 in ID3v2
    setField(record.Artist, "Zoë");     // Latin-1
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 1), CDGRB_OK);
    auto info = probe(out);
    EXPECT_EQ(info["tag:title"], "Καλημέρα");
    EXPECT_EQ(info["tag:artist"], "Zoë");
    EXPECT_NEAR(std::stod(info["duration"]), disc_.trackSeconds(1), 0.05);
    const std::string bytes = testsupport::readFile(out);
    EXPECT_NE(bytes.find("Xing"), std::string::npos) << "VBR header";
    // One title frame: the UTF-16 one replaced the Latin-1 approximation.
    const std::size_t first = bytes.find("TIT2");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(bytes.find("TIT2", first + 4), std::string::npos);
    EXPECT_EQ(decodePcm(out).size(), disc_.trackPcm(1).size());
}

TEST_F(RipTest, Mp3CbrWithoutVbrHeaderHasNoLameFrame) {
    const fs::path out = dir_ / "nohdr.mp3";
    auto record = mp3Record(out);
    record.WriteVbrHeader = 0;
    record.Bitrate = 128;
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 0), CDGRB_OK);
    const std::string bytes = testsupport::readFile(out);
    EXPECT_EQ(bytes.find("Xing"), std::string::npos);
    EXPECT_EQ(bytes.find("Info"), std::string::npos);
    auto info = probe(out);
    EXPECT_EQ(info["bit_rate"], "128000");
    EXPECT_NEAR(std::stod(info["duration"]), disc_.trackSeconds(0), 0.1);
}

TEST_F(RipTest, OggDecodesToTheTrackWithEveryComment) {
    const fs::path out = dir_ / "song.ogg";
    auto record = oggRecord(out);
    record.Bitrate = 160;
    setField(record.Title, "Ogg Title");
    setField(record.Version, "Live");
    setField(record.Album, "Ogg Album");
    setField(record.Artist, "Ogg Artist");
    setField(record.Organization, "Org");
    setField(record.Description, "Desc");
    setField(record.Genre, "Jazz");
    setField(record.Date, "1999");
    setField(record.Location, "Berlin");
    setField(record.Copyright, "(c) Someone");
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_OGG, &record, sizeof record, 1), CDGRB_OK);
    auto info = probe(out);
    EXPECT_EQ(info["codec_name"], "vorbis");
    EXPECT_NEAR(std::stod(info["duration"]), disc_.trackSeconds(1), 0.02);
    EXPECT_EQ(info["tag:title"], "Ogg Title");
    EXPECT_EQ(info["tag:version"], "Live");
    EXPECT_EQ(info["tag:album"], "Ogg Album");
    EXPECT_EQ(info["tag:artist"], "Ogg Artist");
    EXPECT_EQ(info["tag:organization"], "Org");
    EXPECT_EQ(info["tag:comment"], "Desc"); // FFmpeg's name for DESCRIPTION
    EXPECT_EQ(info["tag:genre"], "Jazz");
    EXPECT_EQ(info["tag:date"], "1999");
    EXPECT_EQ(info["tag:location"], "Berlin");
    EXPECT_EQ(info["tag:copyright"], "(c) Someone");
    EXPECT_EQ(decodePcm(out).size(), disc_.trackPcm(1).size());
    // The comment names as written, read by vorbis-tools.
    const std::string comments = runCommand("vorbiscomment -l " + quoted(out.string()));
    for (const char* line : {"TITLE=Ogg Title", "VERSION=Live", "ALBUM=Ogg Album",
                             "ARTIST=Ogg Artist", "ORGANIZATION=Org", "DESCRIPTION=Desc",
                             "GENRE=Jazz", "DATE=1999", "LOCATION=Berlin", "COPYRIGHT=(c) Someone"})
        EXPECT_NE(comments.find(line), std::string::npos) << line;
}

TEST_F(RipTest, TruncatedBinFailsTheCutTracksCleanly) {
    // Cut the BIN in the middle of track 2: tracks 2 and 3 have sectors missing.
    fs::resize_file(disc_.bin, disc_.trackPcm(0).size() + disc_.trackPcm(1).size() / 2);
    for (int track : {1, 2}) {
        const auto record = wavRecord(dir_ / ("t" + std::to_string(track) + ".wav"));
        MonitorLog::instance().clear();
        ASSERT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_WAV, &record, sizeof record), CDGRB_OK);
        EXPECT_LT(grabber_->ripTrack(track), 0) << "track " << track;
        EXPECT_TRUE(MonitorLog::instance().reports().empty());
    }
    EXPECT_TRUE(strayFiles().empty());
    // The whole first track is still there and rips.
    const auto record = wavRecord(dir_ / "t0.wav");
    EXPECT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_WAV, &record, sizeof record, 0), CDGRB_OK);
    EXPECT_EQ(testsupport::readFile(dir_ / "t0.wav").substr(44), disc_.trackPcm(0));
}

TEST_F(RipTest, MissingBinOrDriveOrTrackDoesNotStart) {
    const auto record = wavRecord(dir_ / "x.wav");
    ASSERT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_WAV, &record, sizeof record), CDGRB_OK);
    EXPECT_EQ(grabber_->ripTrack(3), CDGRB_E_TRACK); // three audio tracks: 0..2
    grabber_->setLetter('Q');
    EXPECT_EQ(grabber_->ripTrack(0), CDGRB_E_DRIVE);
    grabber_->setLetter('D');
    fs::remove(disc_.bin);
    EXPECT_LT(grabber_->ripTrack(0), 0);
    EXPECT_TRUE(strayFiles().empty());
}

TEST_F(RipTest, UnwritableOutputDoesNotStart) {
    const auto record = wavRecord(dir_ / "no such folder" / "x.wav");
    ASSERT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_WAV, &record, sizeof record), CDGRB_OK);
    EXPECT_EQ(grabber_->ripTrack(0), CDGRB_E_OUTPUT);
}

TEST_F(RipTest, PathFillingItsFieldIsRefusedNotCut) {
    // 260 characters with no terminator: cutting it would name another file.
    std::string path = (dir_.path() / "").string();
    path += std::string(CDGRB_PATH_FIELD - path.size() - 4, 'a') + ".wav";
    ASSERT_EQ(path.size(), static_cast<std::size_t>(CDGRB_PATH_FIELD));
    TGrbWavOptions record{};
    std::memcpy(record.OutputPath, path.data(), CDGRB_PATH_FIELD);
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_WAV, &record, sizeof record),
              CDGRB_E_PATH_TOO_LONG);
    EXPECT_EQ(grabber_->ripTrack(0), CDGRB_E_PATH_TOO_LONG);
    EXPECT_TRUE(strayFiles().empty());
    // One character shorter fits with its terminator.
    path.erase(path.size() - 5, 1);
    setField(record.OutputPath, path);
    EXPECT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_WAV, &record, sizeof record, 0), CDGRB_OK);
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(RipTest, RecordOfTheWrongSizeOrFormatIsRefused) {
    const auto wav = wavRecord(dir_ / "x.wav");
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_WAV, &wav, sizeof wav - 1),
              CDGRB_E_ARGUMENT);
    EXPECT_EQ(grabber_->setEncoderOptions(6, &wav, sizeof wav), CDGRB_E_ARGUMENT);
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_MP3, &wav, sizeof wav), CDGRB_E_ARGUMENT);
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_WAV, nullptr, sizeof wav), CDGRB_E_ARGUMENT);
    EXPECT_LT(grabber_->ripTrack(0), 0);
    cdgrb::Grabber fresh(resolverFor(disc_.cue));
    fresh.setLetter('D');
    EXPECT_EQ(fresh.ripTrack(0), CDGRB_E_NO_OPTIONS);
}

} // namespace

namespace {

// A two-minute track at the slowest MP3 setting, so that a test can act while it is ripped.
class LongRipTest : public ::testing::Test {
protected:
    void SetUp() override {
        disc_ = writeTestDisc(dir_.path(), {{120 * 75, "Long", "X"}});
        grabber_ = std::make_unique<cdgrb::Grabber>(resolverFor(disc_.cue));
        grabber_->setLetter('D');
    }

    // Starts the rip to `name`; false when it did not start.
    bool start(const std::string& name) {
        auto record = mp3Record(dir_ / name);
        record.MpegQuality = 2;
        MonitorLog::instance().clear();
        grabber_->setMonitor(&MonitorLog::monitor);
        return grabber_->setEncoderOptions(CDGRB_FORMAT_MP3, &record, sizeof record) == CDGRB_OK &&
               grabber_->ripTrack(0) == CDGRB_OK;
    }

    void expectAbortedWithNoFile() {
        const auto reports = MonitorLog::instance().reports();
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().kind, CDGRB_MONITOR_ENDED);
        EXPECT_EQ(reports.back().result, CDGRB_E_ABORTED);
        EXPECT_LT(reports.back().progress, 1.0f);
        expectOnlyTheDisc();
    }

    void expectOnlyTheDisc() {
        for (const auto& e : fs::directory_iterator(dir_.path())) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name == "disc.bin" || name == "disc.cue") << name;
        }
    }

    testsupport::TempDir dir_;
    TestDisc disc_;
    std::unique_ptr<cdgrb::Grabber> grabber_;
};

TEST_F(LongRipTest, AbortStopsTheTrackAndLeavesNoFile) {
    ASSERT_TRUE(start("long.mp3"));
    ASSERT_TRUE(MonitorLog::instance().waitForProgress());
    // abortRip waits for the end: the end is reported already.
    EXPECT_EQ(grabber_->abortRip(), CDGRB_OK);
    expectAbortedWithNoFile();
    // The grabber rips again after an abort.
    auto wav = wavRecord(dir_ / "short.wav");
    EXPECT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_WAV, &wav, sizeof wav, 0), CDGRB_OK);
}

// Closing a grabber stops its rip: the end is reported as aborted and no file is left.
TEST_F(LongRipTest, DestroyingTheGrabberStopsTheRip) {
    ASSERT_TRUE(start("long.mp3"));
    ASSERT_TRUE(MonitorLog::instance().waitForProgress());
    grabber_.reset();
    expectAbortedWithNoFile();
}

TEST_F(LongRipTest, SecondRipWhileOneRunsIsBusy) {
    ASSERT_TRUE(start("long.mp3"));
    EXPECT_EQ(grabber_->ripTrack(0), CDGRB_E_BUSY);
    EXPECT_EQ(MonitorLog::instance().waitForEnd(), CDGRB_OK);
    // Right after the end report the next track may start.
    EXPECT_EQ(grabber_->ripTrack(0), CDGRB_OK);
    EXPECT_EQ(grabber_->abortRip(), CDGRB_OK);
}

// A medium that loses its sectors while the track is read: the track fails, nothing remains.
TEST_F(LongRipTest, SectorsLostDuringTheRipFailTheTrack) {
    ASSERT_TRUE(start("long.mp3"));
    fs::resize_file(disc_.bin, disc_.pcm.size() / 4);
    EXPECT_EQ(MonitorLog::instance().waitForEnd(), CDGRB_E_READ);
    expectOnlyTheDisc();
}

} // namespace
