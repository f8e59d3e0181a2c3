// What the MP3 encoder writes into its tags, read back by mutagen: every extra frame the frames
// dialog can hold, whole texts; and a disc ejected or swapped in the middle of a rip.
#include "RipHarness.h"
#include "support/TempDir.h"

#include "discengine/DriveRegistry.h"
#include "discengine/VirtualStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

using namespace cdgrbtest;
namespace fs = std::filesystem;

namespace {

// mutagen's reading of a file: "key" -> values in order.
std::multimap<std::string, std::string> readTags(const fs::path& file) {
    const std::string script =
        std::string(PLATTERLY_SOURCE_DIR) + "/tests/components/cdgrb/read_tags.py";
    int status = -1;
    const std::string out =
        runCommand("/usr/bin/python3 " + quoted(script) + " " + quoted(file.string()), &status);
    EXPECT_EQ(status, 0) << out;
    std::multimap<std::string, std::string> tags;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            tags.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    return tags;
}

std::string one(const std::multimap<std::string, std::string>& tags, const std::string& key) {
    const auto n = tags.count(key);
    EXPECT_EQ(n, 1u) << key;
    return n == 1 ? tags.find(key)->second : std::string();
}

TGrbId3v2Frame frame(const char* id, const char* value) {
    TGrbId3v2Frame f{};
    std::memcpy(f.FrameId, id, 4);
    f.Value = value;
    return f;
}

class TagTest : public ::testing::Test {
protected:
    void SetUp() override {
        disc_ = writeTestDisc(dir_.path(), {{3 * 75, "One", "Ann"}, {2 * 75 + 7, "Two", "Bob"}});
        grabber_ = std::make_unique<cdgrb::Grabber>(resolverFor(disc_.cue));
        grabber_->setLetter('D');
    }
    testsupport::TempDir dir_;
    TestDisc disc_;
    std::unique_ptr<cdgrb::Grabber> grabber_;
};

TEST_F(TagTest, EveryFrameOfTheFramesDialogIsWrittenWithItsValue) {
    const fs::path out = dir_ / "frames.mp3";
    auto record = mp3Record(out);
    record.WriteId3v2 = -1;
    record.EnableVbr = -1;
    TGrbId3v2Frame frames[] = {
        frame("COMM", "Recorded live"),
        frame("TXXX", "MOOD=calm=ish"), // the description ends at the first "="
        frame("TXXX", "no description"),
        frame("WXXX", "http://plain.example/"),
        frame("WXXX", "home=http://home.example/"),
        frame("USLT", "First line\nsecond line"),
        frame("TCOM", "Čapek"), // outside Latin-1
        frame("TIT3", "Déjà vu"),
        frame("WOAR", "http://artist.example/"),
        frame("APIC", "not a picture"), // no text frame: refused
        frame("TX  ", "space-padded"),  // not an identifier
    };
    record.Id3v2FrameCount = static_cast<int>(std::size(frames));
    record.Id3v2Frames = frames;
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 0), CDGRB_OK);

    const auto tags = readTags(out);
    EXPECT_EQ(one(tags, "COMM:eng:"), "Recorded live");
    EXPECT_EQ(one(tags, "TXXX:MOOD"), "calm=ish");
    EXPECT_EQ(one(tags, "TXXX:"), "no description");
    EXPECT_EQ(one(tags, "WXXX:"), "http://plain.example/");
    EXPECT_EQ(one(tags, "WXXX:home"), "http://home.example/");
    EXPECT_EQ(one(tags, "USLT:eng:"), "First line\\nsecond line");
    EXPECT_EQ(one(tags, "TCOM"), "Čapek");
    EXPECT_EQ(one(tags, "TIT3"), "Déjà vu");
    EXPECT_EQ(one(tags, "WOAR"), "http://artist.example/");
    EXPECT_EQ(one(tags, "TIT2"), "Song");
    EXPECT_EQ(tags.count("APIC"), 0u);
    EXPECT_EQ(tags.count("_unknown"), 0u);
    EXPECT_EQ(one(tags, "id3v1.title"), "Song");
    // The tag grew behind LAME's back: its VBR header is still found and the encoder delay
    // trimmed, so the decoded length is the track's.
    EXPECT_EQ(decodePcm(out).size(), disc_.trackPcm(0).size());
}

TEST_F(TagTest, TextsOutsideLatin1AreWholeInId3v2AndNarrowedInId3v1Only) {
    const fs::path out = dir_ / "wide.mp3";
    auto record = mp3Record(out);
    record.WriteId3v2 = -1;
    setField(record.Title, "\xC5ngstr\xF6m \xC9tudes \xAB"
                           "D\xE9j\xE0 vu\xBB"); // Latin-1, 25 bytes
    setField(record.Artist, "Пётр Ильич");       // UTF-8
    TGrbId3v2Frame lyrics = frame("USLT", "Ωμέγα\nline");
    record.Id3v2FrameCount = 1;
    record.Id3v2Frames = &lyrics;
    ASSERT_EQ(ripTrack(*grabber_, CDGRB_FORMAT_MP3, &record, sizeof record, 1), CDGRB_OK);
    const auto tags = readTags(out);
    EXPECT_EQ(one(tags, "TIT2"), "Ångström Études «Déjà vu»");
    EXPECT_EQ(one(tags, "TPE1"), "Пётр Ильич");
    EXPECT_EQ(one(tags, "USLT:eng:"), "Ωμέγα\\nline");
    EXPECT_EQ(one(tags, "id3v1.title"), "Ångström Études «Déjà vu»");
    EXPECT_EQ(one(tags, "id3v1.artist"), "???? ?????");
}

// A virtual drive store whose D: the test ejects or swaps from inside the monitor, that is on the
// rip thread, while the track is being read.
std::function<void()> gOnFirstProgress;
std::atomic<bool> gFired{false};
void changingMonitor(std::int32_t kind, float progress, std::int32_t result, std::int32_t track,
                     std::uint32_t speed) {
    if (kind == CDGRB_MONITOR_PROGRESS && !gFired.exchange(true) && gOnFirstProgress)
        gOnFirstProgress();
    MonitorLog::monitor(kind, progress, result, track, speed);
}

TEST(MediumChange, EjectingOrSwappingTheDiscMidTrackFailsItAndLeavesNoFile) {
    testsupport::TempDir dir;
    const fs::path store = dir / "drives";
    discengine::CreateDefaultStore(store);
    cdgrb::Grabber grabber([store](char letter) -> std::optional<cdgrb::Source> {
        const auto source = discengine::DriveCdioSource(letter, store);
        if (!source)
            return std::nullopt;
        return cdgrb::Source{source->path, source->driver,
                             [letter, store] { return discengine::MediumIdentity(letter, store); }};
    });
    grabber.setLetter('D');
    grabber.setMonitor(&changingMonitor);
    const discengine::VirtualStore drives(store);

    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {{"eject", [&] { drives.SetTray('D', true); }},
                          {"swap", [&] { drives.InsertSampleAudio('D'); }}};
    for (const Case& c : cases) {
        drives.SetTray('D', false);
        const fs::path out = dir / (std::string(c.name) + ".wav");
        const auto record = wavRecord(out);
        ASSERT_EQ(grabber.setEncoderOptions(CDGRB_FORMAT_WAV, &record, sizeof record), CDGRB_OK);
        MonitorLog::instance().clear();
        gFired = false;
        gOnFirstProgress = c.change;
        ASSERT_EQ(grabber.ripTrack(0), CDGRB_OK) << c.name;
        EXPECT_EQ(MonitorLog::instance().waitForEnd(), CDGRB_E_MEDIUM_CHANGED) << c.name;
        EXPECT_FALSE(fs::exists(out)) << c.name;
        for (const auto& e : fs::directory_iterator(dir.path()))
            EXPECT_EQ(e.path().filename(), "drives") << "left behind: " << e.path();
    }
    gOnFirstProgress = nullptr;
    // With the tray open the track does not start; closed again, the same disc rips.
    drives.SetTray('D', true);
    EXPECT_EQ(grabber.ripTrack(0), CDGRB_E_DRIVE);
    drives.SetTray('D', false);
    const fs::path out = dir / "after.wav";
    const auto record = wavRecord(out);
    ASSERT_EQ(grabber.setEncoderOptions(CDGRB_FORMAT_WAV, &record, sizeof record), CDGRB_OK);
    MonitorLog::instance().clear();
    ASSERT_EQ(grabber.ripTrack(0), CDGRB_OK);
    EXPECT_EQ(MonitorLog::instance().waitForEnd(), CDGRB_OK);
    EXPECT_TRUE(fs::exists(out));
}

} // namespace
