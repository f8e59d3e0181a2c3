#include "AudioFixtures.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace audiotest {

std::string sh(const std::filesystem::path& path) {
    std::string quoted = "'";
    for (char c : path.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("command failed: " + command);
}

std::string capture(const std::string& command) {
    struct Closer {
        void operator()(std::FILE* f) const { pclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> pipe(popen(command.c_str(), "r"));
    if (!pipe)
        throw std::runtime_error("cannot run: " + command);
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        out.append(buffer, n);
    return out;
}

void makeWav(const std::filesystem::path& file, double seconds, int rate, int channels,
             const std::string& codec) {
    run("ffmpeg -nostdin -v error -y -f lavfi -i 'sine=frequency=440:sample_rate=" +
        std::to_string(rate) + ":duration=" + std::to_string(seconds) + "' -ac " +
        std::to_string(channels) + " -c:a " + codec +
        " -fflags +bitexact -flags:a +bitexact -f wav " + sh(file));
}

void makeMp3(const std::filesystem::path& file, double seconds, const std::string& lameOptions) {
    const std::filesystem::path wav = file.string() + ".src.wav";
    makeWav(wav, seconds, 44100, 2);
    run("lame --quiet " + lameOptions + " " + sh(wav) + " " + sh(file));
    std::filesystem::remove(wav);
}

void makeWma(const std::filesystem::path& file, double seconds) {
    run("ffmpeg -nostdin -v error -y -f lavfi -i 'sine=frequency=330:sample_rate=44100:duration=" +
        std::to_string(seconds) + "' -ac 2 -c:a wmav2 -b:a 128k -f asf " + sh(file));
}

std::vector<std::uint8_t> ffmpegPcm(const std::filesystem::path& file) {
    const std::string out =
        capture("ffmpeg -nostdin -v error -i " + sh(file) + " -f s16le -ar 44100 -ac 2 -");
    return {out.begin(), out.end()};
}

double ffprobeDurationMs(const std::filesystem::path& file) {
    const std::string out = capture("ffprobe -v error -show_entries format=duration -of "
                                    "default=noprint_wrappers=1:nokey=1 " +
                                    sh(file));
    return std::stod(out) * 1000.0;
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> wavData(const std::filesystem::path& file) {
    const std::vector<std::uint8_t> bytes = readBytes(file);
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t data = view.find("data", 12);
    if (data == std::string_view::npos)
        throw std::runtime_error("no data chunk in " + file.string());
    return {bytes.begin() + static_cast<std::ptrdiff_t>(data + 8), bytes.end()};
}

} // namespace audiotest
