#include "AudioBurnSupport.h"

#include "discengine/Errors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace audioburn;
using namespace discengine;
namespace fs = std::filesystem;

namespace {

// Rewrites the 16-bit or 32-bit little-endian field at `offset` of a WAV built by CdWavBytes.
std::string Patch(std::string wav, std::size_t offset, std::uint32_t value, int bytes) {
    if (offset + static_cast<std::size_t>(bytes) > wav.size())
        return wav;
    for (int i = 0; i < bytes; ++i)
        wav[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return wav;
}

} // namespace

TEST(AudioImage, AcceptsOnlyCdFormatWavAndKeepsTracksInPlayOrder) {
    Fixture f;
    auto image = f.engine->AudioImage();
    EXPECT_EQ(image, f.engine->AudioImage()); // one image for the run
    auto a = f.Write("a.wav", CdWavBytes(44100, 1));
    auto b = f.Write("b.WAV.bin", CdWavBytes(44100, 2)); // the name does not matter
    auto c = f.Write("c.wav", CdWavBytes(44100, 3));
    EXPECT_TRUE(image->InsertTrack(a, 1));
    EXPECT_TRUE(image->InsertTrack(b, 2));
    EXPECT_TRUE(image->InsertTrack(c, 1));  // before a
    EXPECT_FALSE(image->InsertTrack(a, 5)); // no gap in the play order
    EXPECT_FALSE(image->InsertTrack(a, 0));
    EXPECT_EQ(image->TrackCount(), 3);
    EXPECT_FALSE(image->RemoveTrack(0));
    EXPECT_FALSE(image->RemoveTrack(4));
    EXPECT_TRUE(image->RemoveTrack(3));
    EXPECT_EQ(image->TrackCount(), 2);
    image->ClearTracks();
    EXPECT_EQ(image->TrackCount(), 0);
    EXPECT_EQ(image->TotalBlocks(), 0);

    // fmt field offsets: channels 22, rate 24, byte rate 28, block align 32, bits 34.
    const std::string good = CdWavBytes(4410, 4);
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"mono.wav", Patch(Patch(Patch(good, 22, 1, 2), 32, 2, 2), 28, 88200, 4)},
        {"48k.wav", Patch(Patch(good, 24, 48000, 4), 28, 192000, 4)},
        {"24bit.wav", Patch(Patch(Patch(good, 34, 24, 2), 32, 6, 2), 28, 264600, 4)},
        {"float.wav", Patch(good, 20, 3, 2)},
        {"lying-size.wav", Patch(good, good.find("data") + 4, 0x7FFFFFF0, 4)},
        {"half-sample.wav", Patch(good, good.find("data") + 4, 4410 * 4 - 2, 4)},
        {"no-data.wav", good.substr(0, good.find("data"))},
        {"truncated-header.wav", good.substr(0, 30)},
        {"empty.wav", ""},
        {"text.wav", "this is not audio at all, just text in a file named .wav\n"},
        {"huge-chunk.wav", Patch(good, good.find("LIST") + 4, 0xFFFFFFF0, 4)},
    };
    for (const auto& [name, bytes] : refused)
        EXPECT_FALSE(image->InsertTrack(f.Write(name, bytes), 1)) << name;
    fs::create_directory(f.dir / "folder.wav");
    EXPECT_FALSE(image->InsertTrack(f.dir / "folder.wav", 1));
    EXPECT_FALSE(image->InsertTrack(f.dir / "missing.wav", 1));
    ASSERT_EQ(::mkfifo((f.dir / "fifo.wav").c_str(), 0600), 0);
    EXPECT_FALSE(image->InsertTrack(f.dir / "fifo.wav", 1)); // answers without waiting for a writer
    EXPECT_EQ(image->TrackCount(), 0);
}

TEST(AudioImage, TotalBlocksCountsPaddedFramesMinimumLengthAndTheModesPregaps) {
    Fixture f;
    auto image = f.engine->AudioImage();
    // 10 s exactly, 5 s and one sample (padded up a frame), 1 s (padded to the 4 s minimum).
    ASSERT_TRUE(image->InsertTrack(f.Write("a.wav", CdWavBytes(441000, 1)), 1));
    ASSERT_TRUE(image->InsertTrack(f.Write("b.wav", CdWavBytes(220501, 2)), 2));
    ASSERT_TRUE(image->InsertTrack(f.Write("c.wav", CdWavBytes(44100, 3)), 3));
    const int tracks = 750 + 376 + 300;
    image->SetWriteMode(2); // track-at-once: 2 s before every track
    EXPECT_EQ(image->TotalBlocks(), 150 + tracks + 2 * 150);
    image->SetWriteMode(232); // disc-at-once: only the pregap of track 1
    EXPECT_EQ(image->TotalBlocks(), 150 + tracks);
    EXPECT_THROW(image->SetWriteMode(248), EngineError);
    EXPECT_THROW(image->SetWriteKind(0), EngineError);
    EXPECT_THROW(image->SetWriteSpeed(-1), EngineError);
    EXPECT_EQ(image->TotalBlocks(), 150 + tracks); // refused settings change nothing
}
