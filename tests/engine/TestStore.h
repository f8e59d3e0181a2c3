#pragma once

#include "support/TempDir.h"

#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A virtual drive store in a temporary folder, with helpers to load the media the report and
// list cases need, and an engine on it.
class TestStore {
public:
    TestStore();

    const std::filesystem::path& Root() const { return root_; }
    discengine::VirtualStore& Store() { return store_; }

    // Drives are added in letter order: the first is D:.
    void AddReader(const std::string& folder, discengine::DriveConfig config = Reader());
    void AddWriter(const std::string& folder, discengine::DriveConfig config = Writer());
    static discengine::DriveConfig Reader();
    static discengine::DriveConfig Writer();

    // Writes medium.ini as given (tracks, statuses) with payload files matching its tracks:
    // a sparse data image for the data tracks, a cue sheet plus sparse BIN for the audio tracks.
    void LoadMedium(char letter, discengine::MediumState medium);

    // Audio tracks of `frames` blocks each, back to back from `start` in `session`.
    static std::vector<discengine::TrackState>
    AudioTracks(int count, std::int32_t frames, std::int32_t start = 0, std::int32_t session = 1);

    // A pressed audio CD: CD-ROM media, complete, `count` tracks of `frames` blocks.
    static discengine::MediumState PressedAudioCD(int count, std::int32_t frames);

    std::unique_ptr<discengine::IDVDEngineX> MakeEngine() const;

private:
    testsupport::TempDir dir_;
    std::filesystem::path root_;
    discengine::VirtualStore store_;
};

// Builds a small ISO image with genisoimage (an independent tool) and these options.
std::filesystem::path MakeIsoImage(const std::filesystem::path& folder,
                                   const std::vector<std::string>& options);

#include <QString>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
