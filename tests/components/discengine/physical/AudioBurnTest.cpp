// Audio CDs on physical drives: what libburn is handed (tracks, their PCM, the write type and
// the CD-Text packs) checked without a drive, the packs decoded by libcdio as a player's drive
// would; and the refusal a drive that holds no CD gives.
#include "../audio/AudioBurnSupport.h"
#include "support/TempDir.h"

#include "physical/AudioBurn.h"
#include "physical/Libburn.h"

#include <cdio/cdtext.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>

namespace fs = std::filesystem;
using namespace discengine;
using namespace discengine::physical;

namespace {

struct CdTextFree {
    void operator()(cdtext_t* p) const { cdtext_destroy(p); }
};
struct PacksFree {
    void operator()(unsigned char* p) const { std::free(p); }
};

// A plan of CD-format WAV tracks written into `dir`; `titles` gives each track's title.
audioimage::AudioWritePlan PlanOf(const fs::path& dir, const std::vector<std::int64_t>& samples,
                                  const std::vector<std::string>& titles, bool trackAtOnce) {
    audioimage::AudioWritePlan plan;
    plan.trackAtOnce = trackAtOnce;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        fs::path file = dir / ("t" + std::to_string(i + 1) + ".wav");
        std::ofstream(file, std::ios::binary)
            << audioburn::CdWavBytes(samples[i], static_cast<std::uint32_t>(i + 3));
        std::string why;
        auto wav = audioimage::ProbeCdWav(file, why);
        EXPECT_TRUE(wav) << why;
        plan.tracks.push_back({*wav, i < titles.size() ? titles[i] : std::string(), {}});
    }
    return plan;
}

std::string ReadWhole(burn_source* source) {
    std::string bytes;
    unsigned char buffer[7000]; // not a frame multiple: reads cross frame borders
    for (int n; (n = source->read_xt(source, buffer, sizeof buffer)) > 0;)
        bytes.append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(n));
    return bytes;
}

TEST(PhysicalAudioBurn, ATrackSourceGivesThePcmThenSilenceToTheWholeTrack) {
    testsupport::TempDir dir;
    auto plan = PlanOf(dir.path(), {1000}, {}, true);
    const auto& wav = plan.tracks[0].wav;
    int error = 0;
    auto file = std::make_shared<SourceFile>(OpenRegularFile(wav.path, error));
    const std::int64_t total = std::int64_t{wav.Frames()} * audioimage::kFrameBytes;
    BurnSourcePtr source(MakeTrackSource(file, wav.dataOffset, wav.dataBytes, total));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->get_size(source.get()), total);
    std::string bytes = ReadWhole(source.get());
    ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), total) << "a 4 s minimum track";
    std::ifstream in(wav.path, std::ios::binary);
    std::string pcm = audioburn::PcmOf({std::istreambuf_iterator<char>(in), {}});
    EXPECT_EQ(bytes.substr(0, pcm.size()), pcm);
    EXPECT_EQ(bytes.find_first_not_of('\0', pcm.size()), std::string::npos);
}

TEST(PhysicalAudioBurn, ASourceCutShortWhileBurningIsReadAsSilenceNotGarbage) {
    testsupport::TempDir dir;
    auto plan = PlanOf(dir.path(), {44100 * 6}, {}, true);
    const auto& wav = plan.tracks[0].wav;
    int error = 0;
    auto file = std::make_shared<SourceFile>(OpenRegularFile(wav.path, error));
    const std::int64_t total = std::int64_t{wav.Frames()} * audioimage::kFrameBytes;
    BurnSourcePtr source(MakeTrackSource(file, wav.dataOffset, wav.dataBytes, total));
    fs::resize_file(wav.path, static_cast<std::uintmax_t>(wav.dataOffset + 10000));
    std::string bytes = ReadWhole(source.get());
    ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), total);
    EXPECT_EQ(bytes.find_first_not_of('\0', 10000), std::string::npos);
}

TEST(PhysicalAudioBurn, TheLayoutHasOneAudioTrackPerFileWithItsFrames) {
    testsupport::TempDir dir;
    auto plan = PlanOf(dir.path(), {44100 * 5, 1000, 44100 * 7 + 3}, {}, true);
    std::vector<BurnSourcePtr> owned;
    std::vector<burn_source*> sources;
    for (const auto& t : plan.tracks) {
        int error = 0;
        auto file = std::make_shared<SourceFile>(OpenRegularFile(t.wav.path, error));
        owned.emplace_back(MakeTrackSource(file, t.wav.dataOffset, t.wav.dataBytes,
                                           std::int64_t{t.wav.Frames()} * 2352));
        sources.push_back(owned.back().get());
    }
    AudioDiscLayout layout = LayoutAudioDisc(plan, sources);
    int count = 0;
    burn_track** tracks = burn_session_get_tracks(layout.session.get(), &count);
    ASSERT_EQ(count, 3);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(burn_track_get_sectors(tracks[i]), plan.tracks[i].wav.Frames()) << i;
        EXPECT_TRUE(burn_track_get_mode(tracks[i]) & BURN_AUDIO) << i;
    }
    EXPECT_FALSE(WritesSessionAtOnce(plan)) << "no text: track-at-once as chosen";
    plan.trackAtOnce = false;
    EXPECT_TRUE(WritesSessionAtOnce(plan));
}

TEST(PhysicalAudioBurn, TitlesBecomeLatin1CdTextThatAReaderDecodesWhole) {
    testsupport::TempDir dir;
    auto plan = PlanOf(dir.path(), {1000, 1000, 1000}, {"Ångström Études", "", "Déjà vu"}, true);
    plan.discTitle = "Album";
    plan.tracks[0].performer = "Ann";
    plan.tracks[1].performer = "Bob";
    plan.tracks[2].performer = "Zoë";
    EXPECT_TRUE(WritesSessionAtOnce(plan)) << "CD-Text is only written session-at-once";
    std::vector<burn_source*> none;
    AudioDiscLayout layout = LayoutAudioDisc(plan, none);
    unsigned char* raw = nullptr;
    int packs = 0;
    ASSERT_GT(burn_cdtext_from_session(layout.session.get(), &raw, &packs, 0), 0);
    std::unique_ptr<unsigned char, PacksFree> owned(raw);
    ASSERT_GT(packs, 0);
    std::unique_ptr<cdtext_t, CdTextFree> text(cdtext_init());
    ASSERT_EQ(cdtext_data_init(text.get(), raw, static_cast<std::size_t>(packs) * 18), 0);
    auto title = [&](int track) {
        const char* t = cdtext_get_const(text.get(), CDTEXT_FIELD_TITLE, track);
        return std::string(t ? t : "");
    };
    EXPECT_EQ(title(1), "Ångström Études");
    EXPECT_EQ(title(2), "");
    EXPECT_EQ(title(3), "Déjà vu");
    EXPECT_EQ(title(0), "Album") << "the disc's title";
    const char* performer = cdtext_get_const(text.get(), CDTEXT_FIELD_PERFORMER, 3);
    EXPECT_STREQ(performer ? performer : "", "Zoë");
}

TEST(PhysicalAudioBurn, TextOutsideLatin1IsReplacedNotCorrupted) {
    testsupport::TempDir dir;
    auto plan = PlanOf(dir.path(), {1000}, {"Ω song"}, false);
    std::vector<burn_source*> none;
    AudioDiscLayout layout = LayoutAudioDisc(plan, none);
    unsigned char* payload = nullptr;
    int length = 0;
    int tracks = 0;
    burn_track** list = burn_session_get_tracks(layout.session.get(), &tracks);
    ASSERT_EQ(tracks, 1);
    ASSERT_GT(
        burn_track_get_cdtext(list[0], 0, 0, const_cast<char*>("TITLE"), &payload, &length, 0), 0);
    ASSERT_TRUE(payload);
    std::string stored(reinterpret_cast<char*>(payload), static_cast<std::size_t>(length));
    EXPECT_EQ(stored.back(), '\0');
    stored.pop_back();
    EXPECT_EQ(stored.size(), 6u) << "one byte a character";
    EXPECT_EQ(stored.substr(1), " song");
}

} // namespace
