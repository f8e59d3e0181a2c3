// The sample audio CD: synthesized music (chords, bass, melody, drums, noise) with CD-Text.
#include "discengine/SampleAudioDisc.h"

#include "CueSheet.h"
#include "StoreFiles.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <numbers>

namespace fs = std::filesystem;

namespace discengine {
namespace {

constexpr int kRate = 44100;

struct TrackPlan {
    const char* title;
    const char* performer;
    int seconds;
    double bpm;
    int rootNote; // MIDI note of the key
    bool minor;
};

constexpr std::array<TrackPlan, 5> kPlan{{
    {"Morning Platter", "The Virtual Drives", 24, 112, 57, false},
    {"Spin Cycle", "The Virtual Drives", 31, 128, 52, true},
    {"Lead-In Blues", "Ada Sector & The Frames", 27, 96, 55, false},
    {"Pit and Land", "The Virtual Drives", 36, 140, 50, true},
    {"Coda Über Alles", "Gérard Laser", 22, 84, 60, false},
}};

double NoteHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

// Deterministic noise, so the disc is the same on every machine.
struct Lcg {
    std::uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }
};

// A band-limited-ish sawtooth from a few harmonics: rich enough for an encoder to work on.
double Saw(double phase) {
    double v = 0;
    for (int h = 1; h <= 6; ++h)
        v += std::sin(2 * std::numbers::pi * phase * h) / h;
    return v * 0.5;
}

void RenderTrack(const TrackPlan& plan, int index, std::vector<std::int16_t>& out) {
    const std::size_t frames = static_cast<std::size_t>(plan.seconds) * kRate;
    out.assign(frames * 2, 0);
    const double beat = 60.0 / plan.bpm;
    const std::array<int, 4> progression =
        plan.minor ? std::array<int, 4>{0, 8, 3, 10} : std::array<int, 4>{0, 5, 7, 9};
    const std::array<int, 5> pentatonic =
        plan.minor ? std::array<int, 5>{0, 3, 5, 7, 10} : std::array<int, 5>{0, 2, 4, 7, 9};
    Lcg noise{static_cast<std::uint32_t>(index * 7919 + 17)};
    Lcg melodyRng{static_cast<std::uint32_t>(index * 104729 + 3)};
    int melodyNote = pentatonic[0];
    int lastEighth = -1;
    for (std::size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / kRate;
        double beats = t / beat;
        int bar = static_cast<int>(beats / 4);
        double inBeat = beats - std::floor(beats);
        int chordRoot = plan.rootNote + progression[static_cast<std::size_t>(bar % 4)];
        int third = chordRoot +
                    ((plan.minor && progression[static_cast<std::size_t>(bar % 4)] == 0) ? 3 : 4);
        // Pad chord
        double pad =
            (Saw(t * NoteHz(chordRoot)) + Saw(t * NoteHz(third)) + Saw(t * NoteHz(chordRoot + 7))) *
            0.10;
        // Bass on every beat
        double bassEnv = std::exp(-inBeat * 3.0);
        double bass = std::sin(2 * std::numbers::pi * t * NoteHz(chordRoot - 24)) * 0.35 * bassEnv;
        // Melody: a new pentatonic note each eighth
        int eighth = static_cast<int>(beats * 2);
        if (eighth != lastEighth) {
            lastEighth = eighth;
            int step = static_cast<int>((melodyRng.Next() + 1.0) * 2.5) - 2;
            melodyNote = std::clamp(melodyNote + step, -5, 9);
        }
        int degree = ((melodyNote % 5) + 5) % 5;
        int octave = (melodyNote - degree) / 5;
        double melodyHz =
            NoteHz(plan.rootNote + 12 + pentatonic[static_cast<std::size_t>(degree)] + 12 * octave);
        double inEighth = beats * 2 - eighth;
        double melody = std::sin(2 * std::numbers::pi * t * melodyHz +
                                 0.8 * std::sin(2 * std::numbers::pi * t * melodyHz * 2)) *
                        0.22 * std::exp(-inEighth * 2.5);
        // Drums: kick on 1 and 3, snare on 2 and 4, hi-hat on eighths
        int beatInBar = static_cast<int>(beats) % 4;
        double kick = 0, snare = 0, hat = 0;
        if (beatInBar % 2 == 0)
            kick = std::sin(2 * std::numbers::pi * (60 + 90 * std::exp(-inBeat * 30)) * inBeat *
                            beat) *
                   std::exp(-inBeat * 8) * 0.6;
        double n = noise.Next();
        if (beatInBar % 2 == 1)
            snare = n * std::exp(-inBeat * 14) * 0.35;
        hat = n * std::exp(-inEighth * 40) * 0.12;
        double left = pad + bass + melody * 0.8 + kick + snare + hat * 1.2;
        double right = pad + bass + melody * 1.2 + kick + snare * 0.8 + hat * 0.6;
        // Fade in and out to avoid clicks at the track edges
        double fade = std::min({1.0, t / 0.5, (plan.seconds - t) / 1.0});
        out[2 * i] = static_cast<std::int16_t>(std::clamp(left * fade, -1.0, 1.0) * 26000);
        out[2 * i + 1] = static_cast<std::int16_t>(std::clamp(right * fade, -1.0, 1.0) * 26000);
    }
}

} // namespace

void WriteCueSheet(const fs::path& cue, const std::string& binFileName,
                   const std::vector<std::int32_t>& trackFrames, const AudioDiscText& text) {
    CueDisc disc;
    disc.text.title = text.album;
    disc.text.performer = text.performer;
    disc.genre = text.genre;
    std::int32_t start = 0;
    for (std::size_t i = 0; i < trackFrames.size(); ++i) {
        CueTrack track;
        track.start = start;
        if (i < text.tracks.size()) {
            track.text.title = text.tracks[i].title;
            track.text.performer = text.tracks[i].performer;
        }
        disc.tracks.push_back(track);
        start += trackFrames[i];
    }
    storefiles::WriteAtomic(cue, CueSheetText(binFileName, disc));
}

AudioDiscText SampleAudioDiscText() {
    AudioDiscText text;
    text.album = "Platterly Sampler";
    text.performer = "The Virtual Drives";
    text.genre = "Electronic";
    for (const auto& plan : kPlan)
        text.tracks.push_back({plan.title, plan.performer});
    return text;
}

std::vector<std::int32_t> SampleAudioDiscTrackFrames() {
    std::vector<std::int32_t> frames;
    for (const auto& plan : kPlan)
        frames.push_back(plan.seconds * 75);
    return frames;
}

AudioDiscFiles WriteSampleAudioDisc(const fs::path& folder, const std::string& baseName) {
    AudioDiscFiles files;
    files.cue = folder / (baseName + ".cue");
    files.bin = folder / (baseName + ".bin");
    files.text = SampleAudioDiscText();
    files.trackFrames = SampleAudioDiscTrackFrames();
    fs::path temp = files.bin;
    temp += ".part";
    {
        std::ofstream bin(temp, std::ios::binary | std::ios::trunc);
        std::vector<std::int16_t> pcm;
        for (std::size_t i = 0; i < kPlan.size(); ++i) {
            RenderTrack(kPlan[i], static_cast<int>(i), pcm);
            // Little-endian samples: the host order on every platform we build for.
            bin.write(reinterpret_cast<const char*>(pcm.data()),
                      static_cast<std::streamsize>(pcm.size() * sizeof(std::int16_t)));
        }
        if (!bin.flush())
            throw EngineError("Cannot write the sample disc into " + folder.string());
    }
    std::error_code ec;
    fs::rename(temp, files.bin, ec);
    if (ec)
        throw EngineError("Cannot write the sample disc: " + ec.message());
    WriteCueSheet(files.cue, files.bin.filename().string(), files.trackFrames, files.text);
    return files;
}

} // namespace discengine
