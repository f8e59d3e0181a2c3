#pragma once

#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "support/TempDir.h"

#include <filesystem>
#include <memory>
#include <string>

// Disc images as people have them, made from known bytes, and ways to read back what a drive
// of the store holds without the engine's own code: libcdio for the track table, CD-Text and
// audio sectors.
namespace sheettest {

constexpr int kFrame = 2352;

// Deterministic little-endian 16-bit stereo PCM, `frames` sectors long; `seed` makes tracks differ.
std::string Pcm(int frames, int seed);
// The same samples big-endian (a MOTOROLA file).
std::string Swapped(std::string pcm);
// A RIFF WAVE file of CD audio holding `pcm` (with an extra LIST chunk before the data).
std::string Wav(const std::string& pcm);
// An ISO9660 + Joliet image of a small tree (label `label`) made by genisoimage.
std::string MakeIso(const std::filesystem::path& work, const std::string& label);
// `iso` as mode 1 raw sectors (sync, header with the address, user data, zero EDC/ECC).
std::string RawMode1(const std::string& iso);

// A temporary store with its engine; drive E is where images go.
struct Store {
    testsupport::TempDir dir;
    std::unique_ptr<discengine::IDVDEngineX> engine;
    discengine::VirtualStore store;
    Store();
    std::shared_ptr<discengine::IDeviceX> Drive(char letter);
};

// What libcdio reads from the drive's payload, through the drive registry's source.
struct CdioView {
    int tracks = 0;
    std::string catalog;
    std::vector<bool> audio;
    std::vector<int> lsn, sectors;
    std::vector<std::string> titles, isrc; // per track
    std::string discTitle, discPerformer;
};
CdioView ReadWithLibcdio(const std::filesystem::path& store, char letter);
// The audio sectors of track `number` (1-based, as libcdio counts) read with libcdio.
std::string ReadTrackAudio(const std::filesystem::path& store, char letter, int number);

} // namespace sheettest
