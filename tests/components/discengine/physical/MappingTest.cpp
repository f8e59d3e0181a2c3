// The mapping from drive answers to the engine's values, driven by the recorded answers of real
// drive models in answers/ (one file per drive and disc).
#include "DiscModel.h"
#include "StoreFiles.h"
#include "discengine/Disc.h"
#include "physical/Answers.h"
#include "physical/PhysicalDevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace discengine;
using namespace discengine::physical;

namespace {

const fs::path kAnswers =
    fs::path(PLATTERLY_SOURCE_DIR) / "tests/components/discengine/physical/answers";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

int Hex(const std::string& text) {
    return static_cast<int>(std::stol(text, nullptr, 16));
}

std::vector<std::int32_t> Numbers(const std::string& text) {
    std::vector<std::int32_t> values;
    for (const auto& part : Split(text, ','))
        values.push_back(std::stoi(part));
    return values;
}

struct Recorded {
    std::string name;
    DriveAnswers drive;
    MediumAnswers medium;
    storefiles::IniSection expect;
};

bool Flag(const storefiles::IniSection& s, const std::string& key) {
    return storefiles::GetBool(s, key, false, "answers");
}

DriveAnswers ParseDrive(const storefiles::IniSection& s) {
    DriveAnswers d;
    d.vendor = storefiles::GetText(s, "Vendor", "");
    d.product = storefiles::GetText(s, "Product", "");
    d.revision = storefiles::GetText(s, "Revision", "");
    for (const auto& p : Split(storefiles::GetText(s, "Profiles", ""), ','))
        d.profiles.push_back(Hex(p));
    for (const auto& f : Split(storefiles::GetText(s, "Features", ""), ',')) {
        auto parts = Split(f, ':');
        d.features.push_back({Hex(parts.at(0)), Hex(parts.at(1))});
    }
    d.readCdr = Flag(s, "ReadCDR"), d.readCdrw = Flag(s, "ReadCDRW");
    d.readDvdrom = Flag(s, "ReadDVDROM"), d.readDvdr = Flag(s, "ReadDVDR");
    d.readDvdram = Flag(s, "ReadDVDRAM");
    d.writeCdr = Flag(s, "WriteCDR"), d.writeCdrw = Flag(s, "WriteCDRW");
    d.writeDvdr = Flag(s, "WriteDVDR"), d.writeDvdram = Flag(s, "WriteDVDRAM");
    d.writeSimulate = Flag(s, "WriteSimulate");
    d.bufferKB = static_cast<int>(storefiles::GetInt(s, "BufferKB", 0, "answers", 0, 1 << 20));
    for (const auto& entry : Split(storefiles::GetText(s, "Speeds", ""), ',')) {
        auto f = Split(entry, '/');
        d.speeds.push_back({std::stoi(f.at(0)), f.at(1) == "-1" ? -1 : Hex(f.at(1)),
                            std::stoi(f.at(2)), std::stoi(f.at(3))});
    }
    return d;
}

MediumAnswers ParseMedium(const storefiles::IniSection& s) {
    static const std::map<std::string, int> statuses = {
        {"blank", kBurnBlank}, {"empty", kBurnEmpty},           {"appendable", kBurnAppendable},
        {"full", kBurnFull},   {"unsuitable", kBurnUnsuitable},
    };
    MediumAnswers m;
    m.profile = Hex(storefiles::GetText(s, "Profile", "0"));
    m.status = statuses.at(storefiles::GetText(s, "Status", "empty"));
    m.erasable = Flag(s, "Erasable");
    m.cdDiscType = storefiles::GetText(s, "CdDiscType", "");
    m.incompleteSessions =
        static_cast<int>(storefiles::GetInt(s, "IncompleteSessions", 0, "answers", 0, 99));
    m.freeBlocks = storefiles::GetInt(s, "FreeBlocks", 0, "answers", 0, INT32_MAX);
    for (const auto& entry : Split(storefiles::GetText(s, "Toc", ""), ',')) {
        auto f = Split(entry, '/');
        m.toc.push_back(
            {std::stoi(f.at(0)), std::stoi(f.at(1)), std::stoi(f.at(2)), std::stoi(f.at(3))});
    }
    return m;
}

std::vector<Recorded> LoadAll() {
    std::vector<Recorded> all;
    for (const auto& entry : fs::directory_iterator(kAnswers)) {
        if (entry.path().extension() != ".ini")
            continue;
        auto ini = storefiles::ParseIni(storefiles::ReadSmallFile(entry.path()),
                                        entry.path().filename().string());
        all.push_back({entry.path().stem().string(), ParseDrive(ini["drive"]),
                       ParseMedium(ini["medium"]), ini["expect"]});
    }
    std::sort(all.begin(), all.end(),
              [](const Recorded& a, const Recorded& b) { return a.name < b.name; });
    return all;
}

std::int64_t Expect(const Recorded& r, const std::string& key) {
    return storefiles::GetInt(r.expect, key, -999, r.name, INT32_MIN, INT32_MAX);
}

std::string TracksText(const MediumState& m) {
    std::string text;
    for (const auto& t : m.tracks)
        text += (text.empty() ? "" : ",") + std::to_string(t.session) + "/" +
                (t.audio ? "audio" : "data") + "/" + std::to_string(t.start) + "/" +
                std::to_string(t.blocks);
    return text;
}

void PrintTo(const Recorded& r, std::ostream* os) {
    *os << r.name;
}

class RecordedDrive : public testing::TestWithParam<Recorded> {};

TEST_P(RecordedDrive, MediumMapsToTheEngineCodes) {
    const Recorded& r = GetParam();
    auto medium = MediumOf(r.medium);
    EXPECT_EQ(MediaTypeOfProfile(r.medium.profile), Expect(r, "MediaType"));
    if (Expect(r, "NoMedium") == 1) {
        EXPECT_FALSE(medium.has_value());
        EXPECT_EQ(MakeDiscInfo(medium)->MediaType(), kMediaNone);
        return;
    }
    ASSERT_TRUE(medium.has_value());
    EXPECT_EQ(medium->mediaType, Expect(r, "MediaType"));
    EXPECT_EQ(medium->discType, Expect(r, "DiscType"));
    EXPECT_EQ(medium->discStatus, Expect(r, "DiscStatus"));
    EXPECT_EQ(medium->lastSessionStatus, Expect(r, "LastSessionStatus"));
    EXPECT_EQ(medium->capacity, Expect(r, "Capacity"));
    EXPECT_EQ(TracksText(*medium), storefiles::GetText(r.expect, "Tracks", ""));
}

TEST_P(RecordedDrive, CapabilitiesAndSpeedsFollowTheDrivesAnswers) {
    const Recorded& r = GetParam();
    auto caps = CapabilitiesOf(r.drive);
    EXPECT_EQ(caps, Numbers(storefiles::GetText(r.expect, "Capabilities", "")));
    EXPECT_EQ(IsWriterOf(caps) ? 1 : 0, Expect(r, "Writer"));
    EXPECT_EQ(WriteSpeedsOf(r.drive, r.medium.profile),
              Numbers(storefiles::GetText(r.expect, "WriteSpeeds", "")));
    EXPECT_EQ(MaxReadSpeedOf(r.drive), Expect(r, "MaxReadSpeed"));
    EXPECT_EQ(MaxWriteSpeedOf(r.drive), Expect(r, "MaxWriteSpeed"));
}

TEST_P(RecordedDrive, EraseIsBlankingFormattingOrRefused) {
    const Recorded& r = GetParam();
    static const std::map<std::string, EraseKind> kinds = {
        {"blank", EraseKind::Blank}, {"format", EraseKind::Format}, {"refuse", EraseKind::Refuse}};
    EXPECT_EQ(EraseKindOf(r.medium.profile, r.medium.erasable),
              kinds.at(storefiles::GetText(r.expect, "EraseKind", "")));
}

TEST_P(RecordedDrive, DiscReportOfTheMediumCountsTheOpenTrack) {
    const Recorded& r = GetParam();
    auto medium = MediumOf(r.medium);
    auto info = MakeDiscInfo(medium);
    if (!medium) {
        EXPECT_EQ(info->TrackCount(), 0);
        EXPECT_EQ(info->SessionCount(), 0);
        EXPECT_EQ(MakeTrackInfo(medium, 1), nullptr);
        return;
    }
    bool open = info->DiscStatus() == kDiscEmpty || info->DiscStatus() == kDiscIncomplete;
    EXPECT_EQ(info->IsOpen(), open);
    EXPECT_EQ(info->TrackCount(),
              static_cast<std::int32_t>(medium->tracks.size()) + (open ? 1 : 0));
    if (open)
        EXPECT_EQ(FreeBlocksOf(*medium), r.medium.freeBlocks);
    else
        EXPECT_EQ(FreeBlocksOf(*medium), 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, RecordedDrive, testing::ValuesIn(LoadAll()),
                         [](const testing::TestParamInfo<Recorded>& info) {
                             std::string name;
                             for (char c : info.param.name)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(RecordedAnswers, EveryModelFileIsRead) {
    // A file that fails to parse would silently drop its cases.
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kAnswers))
        files += entry.path().extension() == ".ini";
    EXPECT_EQ(LoadAll().size(), files);
    EXPECT_GE(files, 7u);
}

TEST(SenseData, RecordedMessagesGiveCodeAndText) {
    std::ifstream in(kAnswers / "sense-messages.txt");
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        auto fields = Split(line, '|');
        ASSERT_EQ(fields.size(), 3u) << line;
        SenseError e = SenseOfMessage(fields[0]);
        EXPECT_EQ(e.code, Hex(fields[1])) << line;
        EXPECT_EQ(e.description, fields[2]) << line;
        EXPECT_EQ(e.detail, fields[0]);
        ++cases;
    }
    EXPECT_GE(cases, 12);
}

TEST(Profiles, EveryMmcProfileOfAKnownMediumHasItsOwnCode) {
    // Write-once and rewritable kinds of one family must never collapse into one code: the
    // burn and erase jobs decide by it.
    EXPECT_NE(MediaTypeOfProfile(0x09), MediaTypeOfProfile(0x0A));
    EXPECT_NE(MediaTypeOfProfile(0x11), MediaTypeOfProfile(0x14));
    EXPECT_NE(MediaTypeOfProfile(0x1A), MediaTypeOfProfile(0x1B));
    EXPECT_NE(MediaTypeOfProfile(0x41), MediaTypeOfProfile(0x43));
    EXPECT_EQ(MediaTypeOfProfile(0x13), MediaTypeOfProfile(0x14)); // DVD-RW in either mode
    EXPECT_EQ(MediaTypeOfProfile(0), kMediaNone);
    EXPECT_EQ(MediaTypeOfProfile(0x1234), kMediaUnknownProfile);
}

} // namespace
