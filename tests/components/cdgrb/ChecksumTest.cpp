// FLAC rips checked by flac, FFmpeg and mutagen; the checksums of every rip against a second,
// independent implementation (accuraterip.py) on a synthetic disc.
#include "Checksums.h"
#include "RipHarness.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace cdgrbtest;
namespace fs = std::filesystem;

namespace {

struct Expected {
    std::uint32_t tracks = 0, id1 = 0, id2 = 0, cddb = 0;
    std::vector<std::array<std::uint32_t, 3>> perTrack; // crc32, v1, v2
};

Expected reckon(const fs::path& cue) {
    const std::string script =
        std::string(PLATTERLY_SOURCE_DIR) + "/tests/components/cdgrb/accuraterip.py";
    int status = -1;
    const std::string out =
        runCommand("/usr/bin/python3 " + quoted(script) + " " + quoted(cue.string()), &status);
    EXPECT_EQ(status, 0) << out;
    Expected e;
    std::istringstream lines(out);
    for (std::string word; lines >> word;) {
        if (word == "disc") {
            lines >> std::hex >> e.tracks >> e.id1 >> e.id2 >> e.cddb >> std::dec;
        } else if (word == "track") {
            int n = 0;
            std::array<std::uint32_t, 3> v{};
            lines >> n >> std::hex >> v[0] >> v[1] >> v[2] >> std::dec;
            e.perTrack.push_back(v);
        }
    }
    return e;
}

class ChecksumTest : public ::testing::Test {
protected:
    void SetUp() override {
        disc_ = writeTestDisc(
            dir_.path(),
            {{2 * 75, "Eins", "Ann"}, {75 + 13, "Zwei", "Bob"}, {3 * 75 + 2, "Drei", "Cid"}});
        grabber_ = std::make_unique<cdgrb::Grabber>(resolverFor(disc_.cue));
        grabber_->setLetter('D');
    }
    testsupport::TempDir dir_;
    TestDisc disc_;
    std::unique_ptr<cdgrb::Grabber> grabber_;
};

TEST_F(ChecksumTest, FlacIsLosslessValidAndTagged) {
    const fs::path out = dir_ / "Zwei.flac";
    const TGrbComment comments[] = {{"TITLE", "Zwei «Déjà vu»"},
                                    {"ARTIST", "Пётр Ильич Чайковский und ein sehr langer Name, "
                                               "länger als jedes Feld der anderen Formate"},
                                    {"TRACKNUMBER", "2"}};
    TGrbFlacOptions record{};
    record.CompressionLevel = 8;
    record.CommentCount = 3;
    record.Comments = comments;
    setField(record.OutputPath, out.string());
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_FLAC, &record, sizeof record, 1), CDGRB_OK);

    int status = -1;
    const std::string test = runCommand("flac -t -s " + quoted(out.string()) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << test;
    auto info = probe(out);
    EXPECT_EQ(info["codec_name"], "flac");
    EXPECT_NEAR(std::stod(info["duration"]), disc_.trackSeconds(1), 0.001);
    EXPECT_EQ(decodePcm(out), disc_.trackPcm(1)) << "FFmpeg's decoding";
    EXPECT_EQ(runCommand("flac -d -s -c --force-raw-format --endian=little --sign=signed " +
                         quoted(out.string())),
              disc_.trackPcm(1))
        << "the reference decoder's";
    const std::string tags = runCommand(
        "/usr/bin/python3 " +
        quoted(std::string(PLATTERLY_SOURCE_DIR) + "/tests/components/cdgrb/read_tags.py") + " " +
        quoted(out.string()));
    EXPECT_NE(tags.find("TITLE=Zwei «Déjà vu»\n"), std::string::npos) << tags;
    EXPECT_NE(tags.find(std::string("ARTIST=") + comments[1].Value + "\n"), std::string::npos)
        << tags;
    EXPECT_NE(tags.find("TRACKNUMBER=2\n"), std::string::npos) << tags;
}

TEST_F(ChecksumTest, FlacRecordsOutOfRangeAreRefused) {
    TGrbFlacOptions record{};
    setField(record.OutputPath, (dir_ / "x.flac").string());
    record.CompressionLevel = 9;
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_FLAC, &record, sizeof record),
              CDGRB_E_ARGUMENT);
    record.CompressionLevel = 5;
    record.CommentCount = 1; // without an array
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_FLAC, &record, sizeof record),
              CDGRB_E_ARGUMENT);
    const TGrbComment bad{"TI=TLE", "x"};
    record.Comments = &bad;
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_FLAC, &record, sizeof record),
              CDGRB_E_ARGUMENT);
    EXPECT_EQ(grabber_->setEncoderOptions(CDGRB_FORMAT_FLAC, &record, sizeof record - 1),
              CDGRB_E_ARGUMENT);
    EXPECT_FALSE(fs::exists(dir_ / "x.flac"));
}

TEST_F(ChecksumTest, EveryTracksChecksumsAndTheDiscIdsAgreeWithTheSecondImplementation) {
    const Expected expected = reckon(disc_.cue);
    ASSERT_EQ(expected.perTrack.size(), 3u);
    EXPECT_EQ(expected.tracks, 3u);
    for (int track = 0; track < 3; ++track) {
        const fs::path out = dir_ / ("t" + std::to_string(track) + ".raw");
        const auto record = rawRecord(out);
        ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_RAW, &record, sizeof record, track), CDGRB_OK);
        TGrbTrackResult r{};
        ASSERT_EQ(grabber_->trackResult(r), CDGRB_OK);
        EXPECT_EQ(r.Result, CDGRB_OK);
        EXPECT_EQ(r.ChecksumsValid, 1u);
        EXPECT_EQ(r.TrackNumber, static_cast<std::uint32_t>(track + 1));
        EXPECT_EQ(r.Crc32, expected.perTrack[track][0]) << "track " << track;
        EXPECT_EQ(r.AccurateRipV1, expected.perTrack[track][1]) << "track " << track;
        EXPECT_EQ(r.AccurateRipV2, expected.perTrack[track][2]) << "track " << track;
        EXPECT_EQ(r.DiscTracks, expected.tracks);
        EXPECT_EQ(r.DiscId1, expected.id1);
        EXPECT_EQ(r.DiscId2, expected.id2);
        EXPECT_EQ(r.CddbId, expected.cddb);
        EXPECT_EQ(r.ReadSkips, 0u);
        EXPECT_GT(r.Peak, 0u);
        EXPECT_LE(r.Peak, 32768u);
    }
}

// The disc's samples from `first` (in stereo samples, may be outside the disc) for `count`
// samples, silence outside.
std::string shifted(const std::string& disc, std::int64_t first, std::int64_t count) {
    std::string out;
    for (std::int64_t i = first; i < first + count; ++i) {
        if (i < 0 || static_cast<std::size_t>(i + 1) * 4 > disc.size())
            out.append(4, '\0');
        else
            out.append(disc, static_cast<std::size_t>(i) * 4, 4);
    }
    return out;
}

TEST_F(ChecksumTest, AReadOffsetShiftsEveryTrackAndFillsOutsideTheDiscWithSilence) {
    const std::int64_t starts[] = {0, 2 * 75 * 588, (3 * 75 + 13) * 588};
    for (const int offset : {667, -30, -1200, 6 * 588 + 1}) {
        ASSERT_EQ(grabber_->setReadOffset(offset), CDGRB_OK);
        for (int track = 0; track < 3; ++track) {
            const fs::path out = dir_ / "o.raw";
            const auto record = rawRecord(out);
            ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_RAW, &record, sizeof record, track),
                      CDGRB_OK);
            const std::int64_t samples = disc_.tracks[track].frames * 588;
            EXPECT_EQ(testsupport::readFile(out),
                      shifted(disc_.pcm, starts[track] + offset, samples))
                << "offset " << offset << " track " << track;
            TGrbTrackResult r{};
            ASSERT_EQ(grabber_->trackResult(r), CDGRB_OK);
            EXPECT_EQ(r.ReadOffset, offset);
        }
    }
    EXPECT_EQ(grabber_->setReadOffset(100001), CDGRB_E_ARGUMENT);
}

TEST(Checksums, FirstAndLastFramesOfTheDiscAreLeftOutExactly) {
    // One word of value 1 at every position: v1 is the sum of the positions counted.
    const std::uint32_t n = 20 * cdgrb::kSamplesPerFrame;
    std::vector<std::int16_t> pcm(2 * n, 0);
    for (std::uint32_t i = 0; i < n; ++i)
        pcm[2 * i] = 1;
    auto sum = [](std::uint64_t from, std::uint64_t to) {
        return (from + to) * (to - from + 1) / 2;
    };
    const std::uint32_t skip = 5 * cdgrb::kSamplesPerFrame;
    struct Case {
        bool first, last;
        std::uint64_t from, to;
    };
    for (const Case c : {Case{false, false, 1, n}, Case{true, false, skip, n},
                         Case{false, true, 1, n - skip}, Case{true, true, skip, n - skip}}) {
        cdgrb::TrackChecksums sums(n, c.first, c.last);
        sums.add(pcm.data(), n / 2); // in two pieces, as chunks arrive
        sums.add(pcm.data() + n, n - n / 2);
        EXPECT_EQ(sums.accurateRipV1(), static_cast<std::uint32_t>(sum(c.from, c.to)))
            << c.first << c.last;
        EXPECT_EQ(sums.peak(), 1u);
    }
    // A track shorter than the frames left out counts nothing and does not wrap around.
    cdgrb::TrackChecksums tiny(100, true, true);
    tiny.add(pcm.data(), 100);
    EXPECT_EQ(tiny.accurateRipV1(), 0u);
    EXPECT_EQ(tiny.accurateRipV2(), 0u);
}

} // namespace
