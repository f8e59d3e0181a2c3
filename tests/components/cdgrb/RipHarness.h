#pragma once

#include "Grabber.h"
#include "TestDisc.h"
#include "cdgrb/cdgrb.h"

#include <cdio/cdio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// Drives a Grabber on a test disc and records what its monitor reports.
namespace cdgrbtest {

struct Report {
    int kind;
    float progress;
    int result;
    int track;
    std::uint32_t speed;
};

// The monitor is a plain function, so what it records is process-wide.
class MonitorLog {
public:
    static MonitorLog& instance();
    static void monitor(std::int32_t kind, float progress, std::int32_t result, std::int32_t track,
                        std::uint32_t speed);
    void clear();
    // The result of the kind-3 report; fails the test when none comes within a minute.
    int waitForEnd();
    // Waits until at least one progress report arrived (false after a minute).
    bool waitForProgress();
    std::vector<Report> reports();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Report> reports_;
};

inline cdgrb::SourceResolver resolverFor(const std::filesystem::path& cue, char letter = 'D') {
    return [cue, letter](char l) -> std::optional<cdgrb::Source> {
        if (l != letter)
            return std::nullopt;
        return cdgrb::Source{cue.string(), DRIVER_BINCUE, {}};
    };
}

// Records filled as the Read CD job fills them.
TGrbWavOptions wavRecord(const std::filesystem::path& out);
TGrbRawOptions rawRecord(const std::filesystem::path& out);
TGrbMp3Options mp3Record(const std::filesystem::path& out);
TGrbOggOptions oggRecord(const std::filesystem::path& out);

template <std::size_t N> void setField(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

// Rips one track synchronously; the end report's result.
int ripTrack(cdgrb::Grabber& grabber, int format, const void* record, int size, int track);

// ffprobe's view of a file: format and stream fields and tags, keys lower-cased.
std::map<std::string, std::string> probe(const std::filesystem::path& file);
// The file decoded by ffmpeg to 16-bit stereo PCM at 44.1 kHz.
std::string decodePcm(const std::filesystem::path& file);

} // namespace cdgrbtest
