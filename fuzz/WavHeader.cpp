// The WAV header check of the audio image on hostile files: a file is taken as a track only
// when its audio lies inside it, and the track length follows from the audio.
#include "EngineFixture.h"
#include "FuzzSupport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = fuzzsupport::Engine().AudioImage();
    const auto file = fuzzsupport::Scratch() / "track.wav";
    fuzzsupport::WriteInput(file, data, size);
    image->ClearTracks();
    if (!image->InsertTrack(file, 1))
        return 0;
    // Two seconds of pregap plus at least four of audio; 2352 bytes of PCM a frame.
    const std::int64_t blocks = image->TotalBlocks();
    const auto audioFrames = static_cast<std::int64_t>(size / 2352) + 1;
    FUZZ_CHECK(blocks >= 150 + 300 && blocks <= 150 + 300 + audioFrames,
               std::to_string(blocks) + " blocks from a file of " + std::to_string(size));
    return 0;
}
