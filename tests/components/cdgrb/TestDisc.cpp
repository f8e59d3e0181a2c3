#include "TestDisc.h"

#include "support/TempDir.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <sstream>

namespace cdgrbtest {
namespace {

constexpr int kBytesPerFrame = 2352;

std::string latin1(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (utf8[++i] & 0x3F));
        } else {
            out += '?';
        }
    }
    return out;
}

// A chord per track plus a little noise: never silent, different in each channel and track.
void appendTrackAudio(std::string& pcm, int track, int frames) {
    const std::size_t samples = static_cast<std::size_t>(frames) * kBytesPerFrame / 4;
    std::uint32_t noise = 0x12345u + static_cast<std::uint32_t>(track) * 7919u;
    const double base = 220.0 * (1.0 + 0.25 * track);
    for (std::size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        noise = noise * 1664525u + 1013904223u;
        const double n = static_cast<double>(static_cast<int>(noise >> 20) - 2048) / 2048.0;
        const double l = 0.3 * std::sin(2 * std::numbers::pi * base * t) +
                         0.2 * std::sin(2 * std::numbers::pi * base * 1.5 * t) + 0.02 * n;
        const double r = 0.3 * std::sin(2 * std::numbers::pi * base * 1.25 * t) + 0.02 * n;
        for (double v : {l, r}) {
            const auto s = static_cast<std::int16_t>(std::lround(v * 32767.0));
            pcm += static_cast<char>(s & 0xFF);
            pcm += static_cast<char>((s >> 8) & 0xFF);
        }
    }
}

std::string msf(int frame) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%02d:%02d:%02d", frame / 4500, (frame / 75) % 60,
                  frame % 75);
    return text.data();
}

} // namespace

std::string TestDisc::trackPcm(int index) const {
    std::size_t offset = 0;
    for (int i = 0; i < index; ++i)
        offset += static_cast<std::size_t>(tracks.at(i).frames) * kBytesPerFrame;
    return pcm.substr(offset, static_cast<std::size_t>(tracks.at(index).frames) * kBytesPerFrame);
}

TestDisc writeTestDisc(const std::filesystem::path& folder, const std::vector<TestTrack>& tracks,
                       const std::string& album, const std::string& albumArtist,
                       const std::string& genre, const std::string& base) {
    TestDisc disc;
    disc.tracks = tracks;
    disc.cue = folder / (base + ".cue");
    disc.bin = folder / (base + ".bin");
    std::ostringstream cue;
    cue << "PERFORMER \"" << latin1(albumArtist) << "\"\n";
    cue << "TITLE \"" << latin1(album) << "\"\n";
    cue << "GENRE \"" << latin1(genre) << "\"\n";
    cue << "FILE \"" << base << ".bin\" BINARY\n";
    int start = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        std::array<char, 64> line{};
        std::snprintf(line.data(), line.size(), "  TRACK %02zu AUDIO\n", i + 1);
        cue << line.data();
        if (!tracks[i].title.empty())
            cue << "    TITLE \"" << latin1(tracks[i].title) << "\"\n";
        if (!tracks[i].performer.empty())
            cue << "    PERFORMER \"" << latin1(tracks[i].performer) << "\"\n";
        cue << "    INDEX 01 " << msf(start) << "\n";
        appendTrackAudio(disc.pcm, static_cast<int>(i), tracks[i].frames);
        start += tracks[i].frames;
    }
    testsupport::writeFile(disc.cue, cue.str());
    testsupport::writeFile(disc.bin, disc.pcm);
    return disc;
}

std::string runCommand(const std::string& command, int* status) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    if (!pipe) {
        if (status)
            *status = -1;
        return out;
    }
    std::array<char, 65536> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    const int rc = pclose(pipe.release());
    if (status)
        *status = rc;
    return out;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace cdgrbtest
