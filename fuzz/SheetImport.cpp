// The import of a cue sheet or cdrdao TOC file, the way `insert X: FILE` takes it (files outside
// the sheet's folder refused): the input is the sheet; beside it lie a few small audio and data
// files a sheet may name. A sheet the store accepts must give a disc the drive can read back.
#include "EngineFixture.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <string>

#ifndef PLATTERLY_SHEET_EXTENSION
#error "build with PLATTERLY_SHEET_EXTENSION (\".cue\" or \".toc\")"
#endif

namespace fs = std::filesystem;
using discengine::EngineError;

namespace {

constexpr std::size_t kFrame = 2352;

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// Audible, not silence, so a track that lands on the wrong bytes is not hidden by zeros.
std::string Pcm(std::size_t frames, unsigned seed) {
    std::string pcm(frames * kFrame, '\0');
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return pcm;
}

std::string Wav(const std::string& pcm) {
    const auto n = static_cast<std::uint32_t>(pcm.size());
    return "RIFF" + Le(36 + n, 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(2, 2) + Le(44100, 4) +
           Le(176400, 4) + Le(4, 2) + Le(16, 2) + "data" + Le(n, 4) + pcm;
}

// The files the seed sheets name; a mutated sheet may name any of them, or anything else.
const fs::path& SheetFolder() {
    static const fs::path folder = [] {
        fs::path f = fuzzsupport::Scratch() / "sheets";
        fs::create_directories(f);
        testsupport::writeFile(f / "sheet.bin", Pcm(16, 1));
        testsupport::writeFile(f / "audio.bin", Pcm(12, 2));
        testsupport::writeFile(f / "track01.wav", Wav(Pcm(8, 3)));
        testsupport::writeFile(f / "track02.wav", Wav(Pcm(9, 4)));
        testsupport::writeFile(f / "data.bin", std::string(16 * kFrame, '\0'));
        testsupport::writeFile(f / "data.iso", std::string(16 * 2048, '\0'));
        return f;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto device = fuzzsupport::Drive('E');
    const fs::path sheet = SheetFolder() / ("sheet" PLATTERLY_SHEET_EXTENSION);
    fuzzsupport::WriteInput(sheet, data, size);
    try {
        fuzzsupport::Store().InsertDiscImage('E', sheet, discengine::SheetRule::FolderOnly);
    } catch (const EngineError& e) {
        fuzzsupport::Note(e.what()); // refused with a reason
        return 0;
    }
    device->Refresh(true);
    FUZZ_CHECK(device->MediumProblem().empty(),
               "an accepted sheet gives a readable disc: " + device->MediumProblem());
    try {
        device->Volume()->List("\\");
    } catch (const EngineError&) {
        // a data track of zeros holds no file system: a clear refusal is right
    }
    return 0;
}
