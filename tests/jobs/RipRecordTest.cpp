#include "jobs/RipJob.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cstring>

using rip::EncoderRecord;
using rip::MakeEncoderRecord;
using rip::TrackTags;

namespace {

// The records are packed: their fields are compared as copies, never bound to references.
template <class T> T Value(T field) {
    return field;
}

TEST(SpeedFactorText, TwoSignificantDigitsOneDecimalThenExponentForm) {
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(rip::SpeedFactorText(8.34), "8.3");
    EXPECT_EQ(rip::SpeedFactorText(12.46), "12.0");
    EXPECT_EQ(rip::SpeedFactorText(0.54), "0.5");
    EXPECT_EQ(rip::SpeedFactorText(123.4), "1.2E2");
    EXPECT_EQ(rip::SpeedFactorText(99.96), "1E2");
    EXPECT_EQ(rip::SpeedFactorText(180.0 / 10), "18.0");
    EXPECT_EQ(rip::SpeedFactorText(180.0 / 4), "45.0");
    EXPECT_EQ(rip::SpeedFactorText(1234.0), "1.2E3");
    EXPECT_EQ(rip::SpeedFactorText(0.0), "0.0");
}

TEST(SpeedFactorText, UsesTheLocaleDecimalSeparator) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(rip::SpeedFactorText(8.34), "8,3");
    EXPECT_EQ(rip::SpeedFactorText(123.4), "1,2E2");
    QLocale::setDefault(QLocale::c());
}

TEST(OutputNames, TitlesNeverLeaveTheOutputFolder) {
    EXPECT_EQ(rip::SafeFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(rip::SafeFileName(".."), "_");
    EXPECT_EQ(rip::SafeFileName("."), "_");
    EXPECT_EQ(rip::SafeFileName(std::string("a\0b", 3)), "a_b");
    EXPECT_EQ(rip::SafeFileName("Träume: \"live\" *?<>|\\"), "Träume: \"live\" *?<>|\\");

    rip::RipJobSettings s;
    s.outputFolder = "/out/";
    s.grabOutputFormat = globals::FormatMp3;
    EXPECT_EQ(rip::OutputPathFor(s, QStringLiteral("My Song"), 0), "/out/My Song.mp3");
    EXPECT_EQ(rip::OutputPathFor(s, QString(), 2), "/out/Track03.mp3");
    EXPECT_EQ(rip::OutputPathFor(s, QStringLiteral(".."), 0), "/out/_.mp3");
}

TEST(OutputNames, FormatTableFallsBackToWav) {
    EXPECT_STREQ(rip::FormatFor(1).extension, ".wav");
    EXPECT_EQ(rip::FormatFor(1).code, 2);
    EXPECT_STREQ(rip::FormatFor(2).extension, ".raw");
    EXPECT_EQ(rip::FormatFor(2).code, 1);
    EXPECT_EQ(rip::FormatFor(3).code, 3);
    EXPECT_EQ(rip::FormatFor(4).code, 4);
    EXPECT_STREQ(rip::FormatFor(7).extension, ".wav");
    EXPECT_EQ(rip::FormatFor(7).code, 2);
}

TEST(EncoderRecords, Mp3FieldsFromTheOptions) {
    globals::RipOptions o;
    o.bitrateIndex = 8;       // 128
    o.vbrMaxBitrateIndex = 0; // 32
    o.useJointStereo = true;
    o.generateCrc = true;
    TrackTags t{QString(30, QLatin1Char('T')),
                QStringLiteral("Artist"),
                QStringLiteral("Album"),
                QStringLiteral("20245"),
                0x153,
                {},
                0};
    EncoderRecord r;
    ASSERT_TRUE(MakeEncoderRecord(3, "/x/a.mp3", t, o, r));
    ASSERT_EQ(r.Size(), static_cast<int>(sizeof(TGrbMp3Options)));
    EXPECT_EQ(r.Code(), 3);
    const auto& m = *static_cast<const TGrbMp3Options*>(r.Data());
    EXPECT_EQ(std::string(m.Title, 30), std::string(30, 'T')) << "no terminator";
    EXPECT_EQ(std::string(m.Artist), "Artist") << "the full title left the artist intact";
    EXPECT_EQ(std::string(m.Year, 4), "2024");
    EXPECT_EQ(std::string(m.Title, 4), "TTTT") << "the year left the title intact";
    EXPECT_EQ(Value(m.Genre), 0x53);
    EXPECT_EQ(Value(m.Bitrate), 128);
    EXPECT_EQ(Value(m.VbrMaxBitrate), 32);
    EXPECT_EQ(Value(m.VbrQuality), 5);
    EXPECT_EQ(Value(m.MpegQuality), 2);
    EXPECT_EQ(Value(m.JointStereo), 1);
    EXPECT_EQ(Value(m.GenerateCrc), -1);
    EXPECT_EQ(Value(m.Original), 0);
    EXPECT_EQ(Value(m.WriteId3v1), -1);
    EXPECT_EQ(Value(m.EnableVbr), -1);
    EXPECT_EQ(Value(m.WriteId3v2), 0);
    EXPECT_EQ(Value(m.Id3v2FrameCount), 0);
    EXPECT_EQ(Value(m.Id3v2Frames), nullptr);
    EXPECT_EQ(std::string(m.OutputPath), "/x/a.mp3");
}

TEST(EncoderRecords, Id3v2FramesOnlyWhenSwitchedOnAndListed) {
    globals::RipOptions o;
    o.id3v2Frames = {{"TCOM", "Someone"}, {"TXX", "abc"}};
    EncoderRecord off;
    ASSERT_TRUE(MakeEncoderRecord(3, "/x/a.mp3", {}, o, off));
    EXPECT_EQ(Value(static_cast<const TGrbMp3Options*>(off.Data())->Id3v2FrameCount), 0);

    o.writeId3v2 = true;
    EncoderRecord built;
    ASSERT_TRUE(MakeEncoderRecord(3, "/x/a.mp3", {}, o, built));
    EncoderRecord on = std::move(built); // the addresses survive a move
    const auto& m = *static_cast<const TGrbMp3Options*>(on.Data());
    ASSERT_EQ(Value(m.Id3v2FrameCount), 2);
    EXPECT_EQ(std::string(m.Id3v2Frames[0].FrameId, 4), "TCOM");
    EXPECT_STREQ(m.Id3v2Frames[0].Value, "Someone");
    EXPECT_EQ(std::string(m.Id3v2Frames[1].FrameId, 4), "TXX ");
    EXPECT_STREQ(m.Id3v2Frames[1].Value, "abc");
}

TEST(EncoderRecords, OggTakesItsOwnGenreText) {
    globals::RipOptions o;
    o.oggGenre = "Ambient";
    o.oggCopyright = std::string(120, 'c');
    o.oggBitrateIndex = 4;
    TrackTags t{QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("B"), {}, 13, {}, 0};
    EncoderRecord r;
    ASSERT_TRUE(MakeEncoderRecord(4, "/x/a.ogg", t, o, r));
    const auto& g = *static_cast<const TGrbOggOptions*>(r.Data());
    EXPECT_EQ(g.Bitrate, 192);
    EXPECT_EQ(std::string(g.Genre), "Ambient");
    EXPECT_EQ(std::string(g.Copyright, 100), std::string(100, 'c'));
    EXPECT_EQ(std::string(g.OutputPath), "/x/a.ogg") << "the cut copyright did not spill over";
    EXPECT_EQ(std::string(g.Title), "T");
}

TEST(EncoderRecords, APathThatDoesNotFitIsRefusedNotCut) {
    const std::string fits = "/" + std::string(258, 'a');
    const std::string tooLong = fits + "b";
    EncoderRecord r;
    for (int format : {1, 2, 3, 4, 7}) {
        EXPECT_TRUE(MakeEncoderRecord(format, fits, {}, {}, r)) << format;
        EXPECT_FALSE(MakeEncoderRecord(format, tooLong, {}, {}, r)) << format;
    }
    ASSERT_TRUE(MakeEncoderRecord(7, "/x/a.wav", {}, {}, r));
    EXPECT_EQ(r.Code(), 2);
    EXPECT_EQ(r.Size(), 276);
    EXPECT_EQ(std::string(static_cast<const TGrbWavOptions*>(r.Data())->OutputPath), "/x/a.wav");
}

} // namespace
