// An ISO and WAV files in one sheet (MODE1/2048 beside audio): the data track's raw sectors are
// made whole - sync, header, EDC and error correction parity - and checked here with our own
// arithmetic: a bitwise CRC and the Reed-Solomon syndromes of every P and Q code word.
#include "SheetFixture.h"

#include <gtest/gtest.h>
#include <set>

using namespace sheettest;
namespace fs = std::filesystem;

namespace {

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x^2 + 1, bit by bit.
unsigned char GfMul(unsigned char a, unsigned char b) {
    unsigned product = 0, x = a;
    for (int bit = 0; bit < 8; ++bit) {
        if (b & (1u << bit))
            product ^= x;
        x <<= 1;
        if (x & 0x100)
            x ^= 0x11D;
    }
    return static_cast<unsigned char>(product);
}

// Both syndromes of a code word with check rows all ones and alpha^(n-1) ... alpha^0.
bool CodeWordHolds(const std::vector<unsigned char>& word) {
    unsigned char s0 = 0, s1 = 0;
    for (unsigned char byte : word) {
        s0 ^= byte;
        s1 = static_cast<unsigned char>(GfMul(s1, 2) ^ byte); // Horner: alpha^(n-1-k) weights
    }
    return s0 == 0 && s1 == 0;
}

std::uint32_t BitwiseEdc(const unsigned char* data, std::size_t size) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xD8018001u : 0u);
    }
    return crc;
}

// The faults a mode 1 sector at `lba` can have; empty when it is whole.
std::string SectorFaults(const unsigned char* s, int lba) {
    std::string faults;
    if (s[0] != 0 || s[11] != 0 || s[1] != 0xFF || s[10] != 0xFF || s[15] != 1)
        faults += " sync/mode";
    int address = lba + 150;
    auto bcd = [](int v) { return static_cast<unsigned char>(((v / 10) << 4) | (v % 10)); };
    if (s[12] != bcd(address / 4500) || s[13] != bcd((address / 75) % 60) ||
        s[14] != bcd(address % 75))
        faults += " address";
    std::uint32_t edc = BitwiseEdc(s, 2064);
    if (s[2064] != (edc & 0xFF) || s[2065] != ((edc >> 8) & 0xFF) ||
        s[2066] != ((edc >> 16) & 0xFF) || s[2067] != (edc >> 24))
        faults += " EDC";
    const unsigned char* base = s + 12;
    for (int column = 0; column < 43; ++column)
        for (int half = 0; half < 2; ++half) {
            std::vector<unsigned char> word;
            for (int row = 0; row < 26; ++row)
                word.push_back(base[2 * (43 * row + column) + half]);
            if (!CodeWordHolds(word))
                return faults + " P parity";
        }
    for (int diagonal = 0; diagonal < 26; ++diagonal)
        for (int half = 0; half < 2; ++half) {
            std::vector<unsigned char> word;
            for (int k = 0; k < 43; ++k)
                word.push_back(base[2 * ((44 * k + 43 * diagonal) % 1118) + half]);
            word.push_back(base[2 * (1118 + diagonal) + half]);
            word.push_back(base[2 * (1144 + diagonal) + half]);
            if (!CodeWordHolds(word))
                return faults + " Q parity";
        }
    return faults;
}

} // namespace

TEST(RawSectors, IsoBesideWaveFilesBecomesAMixedModeDiscWithWholeRawSectors) {
    Store s;
    const std::string iso = MakeIso(s.dir.path(), "ISOWAV");
    const std::string one = Pcm(300, 31), two = Pcm(333, 32);
    testsupport::writeFile(s.dir / "game.iso", iso);
    testsupport::writeFile(s.dir / "Track 02.wav", Wav(one));
    testsupport::writeFile(s.dir / "Track 03.wav", Wav(two));
    testsupport::writeFile(
        s.dir / "game.cue",
        "FILE \"game.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
        "    POSTGAP 00:02:00\n"
        "FILE \"Track 02.wav\" WAVE\n  TRACK 02 AUDIO\n    PREGAP 00:02:00\n"
        "    INDEX 01 00:00:00\n"
        "FILE \"Track 03.wav\" WAVE\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n");
    s.store.InsertDiscImage('E', s.dir / "game.cue");
    auto drive = s.Drive('E');
    ASSERT_EQ(drive->MediumProblem(), "");
    const int data = static_cast<int>(iso.size() / 2048);
    EXPECT_EQ(drive->TrackInfo(1)->BlockCount(), data + 150 + 150);
    std::set<std::string> names;
    for (const auto& e : drive->Volume()->List("\\"))
        names.insert(e.name);
    EXPECT_EQ(names, (std::set<std::string>{"Readme.txt", "Docs"}));
    EXPECT_TRUE(ReadTrackAudio(s.dir / "drives", 'E', 3) == two);

    const std::string bin = testsupport::readFile(s.store.FolderOf('E') / "disc.bin");
    ASSERT_GE(bin.size(), static_cast<std::size_t>(data + 150) * kFrame);
    // Every sector of the data track, its postgap included, is a whole mode 1 sector holding
    // the ISO's blocks (then empty ones).
    int faulty = 0;
    for (int lba = 0; lba < data + 150; ++lba) {
        const auto* sector = reinterpret_cast<const unsigned char*>(bin.data()) +
                             static_cast<std::size_t>(lba) * kFrame;
        std::string faults = SectorFaults(sector, lba);
        std::string user(reinterpret_cast<const char*>(sector) + 16, 2048);
        std::string expected = lba < data ? iso.substr(static_cast<std::size_t>(lba) * 2048, 2048)
                                          : std::string(2048, '\0');
        if (!faults.empty() || user != expected) {
            if (++faulty <= 3)
                ADD_FAILURE() << "sector " << lba << ":" << faults
                              << (user != expected ? " data" : "");
        }
    }
    EXPECT_EQ(faulty, 0);
}
