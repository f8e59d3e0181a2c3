#include "TestStore.h"

#include "discengine/Disc.h"
#include "discengine/SampleAudioDisc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace de = discengine;
namespace fs = std::filesystem;

TestStore::TestStore() : root_(dir_.path() / "drives"), store_(root_) {
    fs::create_directories(root_);
}

de::DriveConfig TestStore::Reader() {
    de::DriveConfig c;
    c.vendor = "ACME";
    c.product = "Reader 52x";
    c.revision = "1.02";
    c.writer = false;
    c.capabilities = {0, 1, 2, 3};
    c.maxReadSpeed = 7056;
    c.bufferSize = 512;
    return c;
}

de::DriveConfig TestStore::Writer() {
    de::DriveConfig c;
    c.vendor = "ACME";
    c.product = "Writer 40x";
    c.revision = "2.10";
    c.writer = true;
    c.capabilities = {0, 1, 2, 16, 17, 18, 22, 30, 57};
    c.maxReadSpeed = 8467;
    c.maxWriteSpeed = 7056;
    c.cdWriteSpeeds = {7056, 5292, 3528, 1764};
    c.dvdWriteSpeeds = {11080, 5540};
    c.bufferSize = 2048;
    return c;
}

void TestStore::AddReader(const std::string& folder, de::DriveConfig config) {
    store_.AddDrive(folder, config);
}

void TestStore::AddWriter(const std::string& folder, de::DriveConfig config) {
    store_.AddDrive(folder, config);
}

std::vector<de::TrackState> TestStore::AudioTracks(int count, std::int32_t frames,
                                                   std::int32_t start, std::int32_t session) {
    std::vector<de::TrackState> tracks;
    for (int i = 0; i < count; ++i)
        tracks.push_back({session, true, start + i * frames, frames});
    return tracks;
}

de::MediumState TestStore::PressedAudioCD(int count, std::int32_t frames) {
    de::MediumState m;
    m.mediaType = de::kMediaCDROM;
    m.discType = de::kDiscTypeCDDA;
    m.discStatus = de::kDiscComplete;
    m.lastSessionStatus = de::kSessionComplete;
    m.tracks = AudioTracks(count, frames);
    m.capacity = count * frames;
    return m;
}

void TestStore::LoadMedium(char letter, de::MediumState medium) {
    const fs::path folder = store_.FolderOf(letter);
    std::vector<std::int32_t> audioFrames;
    std::int64_t dataEnd = 0;
    for (const auto& t : medium.tracks) {
        if (t.audio)
            audioFrames.push_back(t.blocks);
        else
            dataEnd = std::max<std::int64_t>(dataEnd, std::int64_t{t.start} + t.blocks);
    }
    if (!audioFrames.empty()) {
        medium.audioPayload = "disc.cue";
        de::WriteCueSheet(folder / "disc.cue", "disc.bin", audioFrames, {});
        std::int64_t blocks = 0;
        for (auto f : audioFrames)
            blocks += f;
        std::ofstream(folder / "disc.bin", std::ios::binary).close();
        fs::resize_file(folder / "disc.bin", static_cast<std::uintmax_t>(blocks * 2352));
    }
    if (dataEnd > 0 && medium.dataPayload.empty()) {
        medium.dataPayload = "disc.iso";
        std::ofstream(folder / "disc.iso", std::ios::binary).close();
        fs::resize_file(folder / "disc.iso", static_cast<std::uintmax_t>(dataEnd * 2048));
    }
    testsupport::writeFile(folder / "medium.ini", de::FormatMediumIni(medium));
}

std::unique_ptr<de::IDVDEngineX> TestStore::MakeEngine() const {
    de::EngineOptions options;
    options.store = root_;
    options.createDefaultStore = false;
    auto engine = de::CreateEngine(options);
    if (!engine->Initialize(0))
        throw std::runtime_error("engine did not start: " + engine->LastError());
    return engine;
}

fs::path MakeIsoImage(const fs::path& folder, const std::vector<std::string>& options) {
    const fs::path content = folder / "iso-content";
    fs::create_directories(content / "docs");
    testsupport::writeFile(content / "readme.txt", "a data track\n");
    testsupport::writeFile(content / "docs" / "A long file name for Joliet.txt", "joliet\n");
    const fs::path iso = folder / "image.iso";
    std::string command = "genisoimage -quiet -V TESTDISC";
    for (const auto& o : options)
        command += " " + o;
    command += " -o '" + iso.string() + "' '" + content.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("genisoimage failed: " + command);
    return iso;
}
