#pragma once

#include <filesystem>
#include <optional>

namespace audio {

// Audio file information: which format a file really has (judged by its content, never by its
// extension) and its playing length.
class TAudioInformation2 {
public:
    // True only for a readable RIFF WAVE file with a consistent header and decodable audio.
    bool IsWavFile(const std::filesystem::path& file) const;
    // True only for an MPEG audio layer III stream (ID3 tags allowed) whose frames decode.
    bool IsMp3File(const std::filesystem::path& file) const;
    // True only for an ASF file whose first audio stream is Windows Media Audio and decodes.
    bool IsWmaFile(const std::filesystem::path& file) const;

    // Names the file that the next Duration call measures.
    void SetFileName(const std::filesystem::path& file);
    // Length in milliseconds of the audio a decoder delivers for the named file: encoder delay
    // and padding of gapless MP3s are left out, a WAV counts only the data actually present.
    // Throws AudioError when no file is named or it cannot be read as audio.
    int Duration();
    // Forgets the named file and its measured length. The argument is accepted for the
    // interface's sake (callers pass -1); every value resets everything.
    void ResetInformation(int what);

private:
    std::optional<std::filesystem::path> file_;
    std::optional<int> durationMs_;
};

} // namespace audio
