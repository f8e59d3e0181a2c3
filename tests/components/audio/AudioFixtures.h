#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Test inputs made by the ffmpeg and lame command-line tools, and FFmpeg's own view of them as
// the independent reference.
namespace audiotest {

// Runs a shell command; fails the calling test (by exception) when it does not exit with 0.
void run(const std::string& command);
// Runs a shell command and returns its standard output.
std::string capture(const std::string& command);
// The path in single quotes for the shell.
std::string sh(const std::filesystem::path& path);

// A sine tone of `seconds` as a WAV file with the given rate, channels and sample format
// (ffmpeg's codec name: pcm_s16le, pcm_u8, pcm_s24le, pcm_f32le, ...).
void makeWav(const std::filesystem::path& file, double seconds, int rate, int channels,
             const std::string& codec = "pcm_s16le");
// An MP3 encoded by lame from a 44.1 kHz stereo tone; `lameOptions` such as "-b 192" or "-V 4",
// add "-t" to leave out the Xing/LAME header.
void makeMp3(const std::filesystem::path& file, double seconds, const std::string& lameOptions);
// A WMA (wmav2 in ASF) encoded by ffmpeg.
void makeWma(const std::filesystem::path& file, double seconds);

// FFmpeg's decode of `file` as 44.1 kHz, 16-bit, stereo little-endian PCM.
std::vector<std::uint8_t> ffmpegPcm(const std::filesystem::path& file);
// ffprobe's figure for the file's duration, in milliseconds.
double ffprobeDurationMs(const std::filesystem::path& file);

std::vector<std::uint8_t> readBytes(const std::filesystem::path& file);
// The sample bytes of a WAV file: everything after its "data" chunk header.
std::vector<std::uint8_t> wavData(const std::filesystem::path& file);

} // namespace audiotest
