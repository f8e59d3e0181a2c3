// Option records as the library reads them: fixed-width texts, their character sets, and the
// fields that must not be read across.
#include "Text.h"
#include "RipHarness.h"
#include "RipSettings.h"

#include <gtest/gtest.h>

using namespace cdgrb;
using namespace cdgrbtest;

namespace {

TEST(RecordTextTest, FullFieldIsReadWholeWithoutRunningIntoTheNext) {
    TGrbMp3Options r = mp3Record("/tmp/x.mp3");
    std::memcpy(r.Year, "1987", 4); // four characters, no terminator
    const std::string title30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    std::memcpy(r.Title, title30.data(), 30);
    setField(r.Artist, "Artist");
    RipSettings s;
    ASSERT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_OK);
    EXPECT_EQ(s.mp3.year, "1987");
    EXPECT_EQ(s.mp3.title, title30);
    EXPECT_EQ(s.mp3.artist, "Artist");
    EXPECT_EQ(s.mp3.genre, 17);
    // A UTF-8 title cut inside its last character by the field's width loses that character.
    const std::string cut = std::string(28, 'a') + "\xc3\xa9"; // 30 bytes, fits
    std::memcpy(r.Title, cut.data(), 30);
    ASSERT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_OK);
    EXPECT_EQ(s.mp3.title, cut);
    r.Title[28] = 'a';
    r.Title[29] = '\xc3';
    ASSERT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_OK);
    EXPECT_EQ(s.mp3.title, std::string(29, 'a'));
    EXPECT_TRUE(s.mp3.id3v1);
    EXPECT_FALSE(s.mp3.id3v2);
    EXPECT_EQ(s.output, "/tmp/x.mp3");
}

TEST(RecordTextTest, TextsBecomeUtf8FromUtf8OrLatin1) {
    EXPECT_EQ(toUtf8("Caf\xc3\xa9"), "Café");  // already UTF-8
    EXPECT_EQ(toUtf8("Caf\xe9"), "Café");      // Latin-1
    EXPECT_EQ(toUtf8("ab\xce", true), "ab");   // a UTF-8 sequence cut by the field's end
    EXPECT_EQ(toUtf8("ab\xce", false), "abÎ"); // a Latin-1 letter at the end
    EXPECT_EQ(toUtf8(std::string("\xff\xfe", 2)), "ÿþ");
    EXPECT_TRUE(fitsLatin1("Zoë"));
    EXPECT_FALSE(fitsLatin1("Ωmega"));
    EXPECT_EQ(toLatin1("Zoë Ω"), "Zo\xeb ?");
    const std::u16string wide = toUtf16WithBom("a€𝄞");
    EXPECT_EQ(wide, std::u16string(u"\uFEFFa€𝄞"));
}

TEST(RecordTextTest, Id3v2FramesAreCopiedAndBadArraysRefused) {
    TGrbMp3Options r = mp3Record("/tmp/x.mp3");
    TGrbId3v2Frame frames[2] = {};
    std::memcpy(frames[0].FrameId, "TXX ", 4);
    frames[0].Value = "abc";
    std::memcpy(frames[1].FrameId, "TIT2", 4);
    frames[1].Value = "Live";
    r.Id3v2FrameCount = 2;
    r.Id3v2Frames = frames;
    RipSettings s;
    ASSERT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_OK);
    ASSERT_EQ(s.mp3.extraFrames.size(), 2u);
    EXPECT_EQ(s.mp3.extraFrames[0].id, "TXX ");
    EXPECT_EQ(s.mp3.extraFrames[0].value, "abc");
    EXPECT_EQ(s.mp3.extraFrames[1].id, "TIT2");

    r.Id3v2Frames = nullptr;
    EXPECT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_E_ARGUMENT);
    r.Id3v2Frames = frames;
    r.Id3v2FrameCount = -1;
    EXPECT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_E_ARGUMENT);
    frames[1].Value = nullptr;
    r.Id3v2FrameCount = 2;
    EXPECT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_E_ARGUMENT);
}

TEST(RecordTextTest, OutOfRangeQualitiesAndEmptyPathsAreRefused) {
    RipSettings s;
    TGrbMp3Options r = mp3Record("/tmp/x.mp3");
    r.VbrQuality = 10;
    EXPECT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_E_ARGUMENT);
    r = mp3Record("/tmp/x.mp3");
    r.MpegQuality = 4;
    EXPECT_EQ(parseRecord(CDGRB_FORMAT_MP3, &r, sizeof r, s), CDGRB_E_ARGUMENT);
    TGrbOggOptions ogg = oggRecord("");
    EXPECT_EQ(parseRecord(CDGRB_FORMAT_OGG, &ogg, sizeof ogg, s), CDGRB_E_ARGUMENT);
    ogg = oggRecord("/tmp/y.ogg");
    setField(ogg.Copyright, std::string(100, 'c')); // fills its field: read whole, path intact
    ASSERT_EQ(parseRecord(CDGRB_FORMAT_OGG, &ogg, sizeof ogg, s), CDGRB_OK);
    EXPECT_EQ(s.ogg.copyright, std::string(100, 'c'));
    EXPECT_EQ(s.output, "/tmp/y.ogg");
}

} // namespace
