#include "discengine/Engine.h"
#include "discengine/SampleAudioDisc.h"
#include "support/TempDir.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace discengine;

TEST(SampleDisc, LibcdioReadsTracksLengthsAndCdText) {
    testsupport::TempDir dir;
    AudioDiscFiles files = WriteSampleAudioDisc(dir.path(), "sample");
    cdio_log_set_handler([](cdio_log_level_t, const char*) {});
    CdIo_t* cdio = cdio_open(files.cue.c_str(), DRIVER_BINCUE);
    ASSERT_NE(cdio, nullptr);
    ASSERT_GE(files.trackFrames.size(), 4u);
    ASSERT_LE(files.trackFrames.size(), 6u);
    EXPECT_EQ(cdio_get_num_tracks(cdio), files.trackFrames.size());
    lsn_t expectedStart = 0;
    for (track_t t = 1; t <= files.trackFrames.size(); ++t) {
        EXPECT_EQ(cdio_get_track_format(cdio, t), TRACK_FORMAT_AUDIO);
        EXPECT_EQ(cdio_get_track_lsn(cdio, t), expectedStart);
        auto frames = files.trackFrames[t - 1];
        EXPECT_EQ(static_cast<std::int32_t>(cdio_get_track_sec_count(cdio, t)), frames);
        EXPECT_GE(frames, 20 * 75);
        EXPECT_LE(frames, 40 * 75);
        expectedStart += frames;
    }
    cdtext_t* text = cdio_get_cdtext(cdio);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 0), "Platterly Sampler");
    EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_PERFORMER, 0), "The Virtual Drives");
    EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_GENRE, 0), "Electronic");
    for (track_t t = 1; t <= files.trackFrames.size(); ++t) {
        EXPECT_EQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, t), files.text.tracks[t - 1].title);
        EXPECT_EQ(cdtext_get_const(text, CDTEXT_FIELD_PERFORMER, t),
                  files.text.tracks[t - 1].performer);
    }
    // Latin-1 texts survive (the last track's title has an umlaut).
    EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 5), "Coda Über Alles");

    // The audio is music, not silence: loud enough, both channels differ, and it changes.
    std::vector<std::int16_t> pcm(75 * 588 * 2);
    ASSERT_EQ(cdio_read_audio_sectors(cdio, pcm.data(), 75 * 5, 75), DRIVER_OP_SUCCESS);
    double energy = 0;
    int channelDiff = 0, signChanges = 0;
    for (std::size_t i = 0; i + 2 < pcm.size(); i += 2) {
        energy += double(pcm[i]) * pcm[i];
        channelDiff += pcm[i] != pcm[i + 1];
        signChanges += (pcm[i] < 0) != (pcm[i + 2] < 0);
    }
    EXPECT_GT(std::sqrt(energy / (pcm.size() / 2)), 1000.0);
    EXPECT_GT(channelDiff, 1000);
    EXPECT_GT(signChanges, 200);
    cdio_destroy(cdio);
}

TEST(MSF, BlocksAsMinutesSecondsFrames) {
    auto msf = CreateMSF();
    msf->SetBlocks(360000);
    EXPECT_EQ(msf->Text(), "80:00:00");
    msf->SetBlocks(75 * 61 + 7);
    EXPECT_EQ(msf->Minutes(), 1);
    EXPECT_EQ(msf->Seconds(), 1);
    EXPECT_EQ(msf->Frames(), 7);
    EXPECT_EQ(msf->Text(), "01:01:07");
    msf->SetBlocks(-5);
    EXPECT_EQ(msf->Text(), "00:00:00");
}
