#include "RipHarness.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

namespace cdgrbtest {

MonitorLog& MonitorLog::instance() {
    static MonitorLog log;
    return log;
}

void MonitorLog::monitor(std::int32_t kind, float progress, std::int32_t result, std::int32_t track,
                         std::uint32_t speed) {
    MonitorLog& log = instance();
    std::lock_guard lock(log.mutex_);
    log.reports_.push_back({kind, progress, result, track, speed});
    log.cv_.notify_all();
}

void MonitorLog::clear() {
    std::lock_guard lock(mutex_);
    reports_.clear();
}

int MonitorLog::waitForEnd() {
    std::unique_lock lock(mutex_);
    const bool ended = cv_.wait_for(lock, std::chrono::minutes(1), [&] {
        return !reports_.empty() && reports_.back().kind == CDGRB_MONITOR_ENDED;
    });
    EXPECT_TRUE(ended) << "no end report";
    return ended ? reports_.back().result : 1;
}

bool MonitorLog::waitForProgress() {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::minutes(1), [&] {
        return std::any_of(reports_.begin(), reports_.end(),
                           [](const Report& r) { return r.kind == CDGRB_MONITOR_PROGRESS; });
    });
}

std::vector<Report> MonitorLog::reports() {
    std::lock_guard lock(mutex_);
    return reports_;
}

TGrbWavOptions wavRecord(const std::filesystem::path& out) {
    TGrbWavOptions r{};
    setField(r.OutputPath, out.string());
    return r;
}

TGrbRawOptions rawRecord(const std::filesystem::path& out) {
    TGrbRawOptions r{};
    setField(r.OutputPath, out.string());
    return r;
}

TGrbMp3Options mp3Record(const std::filesystem::path& out) {
    TGrbMp3Options r{};
    std::memcpy(r.Year, "2024", 4);
    setField(r.Title, "Song");
    setField(r.Artist, "Someone");
    setField(r.Album, "Record");
    r.Genre = 17; // Rock
    r.Bitrate = 192;
    r.MpegQuality = 0;
    r.WriteVbrHeader = -1;
    r.VbrMaxBitrate = 320;
    r.VbrQuality = 5;
    r.WriteId3v1 = -1;
    setField(r.OutputPath, out.string());
    return r;
}

TGrbOggOptions oggRecord(const std::filesystem::path& out) {
    TGrbOggOptions r{};
    r.Bitrate = 128;
    setField(r.OutputPath, out.string());
    return r;
}

int ripTrack(cdgrb::Grabber& grabber, int format, const void* record, int size, int track) {
    MonitorLog::instance().clear();
    EXPECT_EQ(grabber.setEncoderOptions(format, record, size), CDGRB_OK);
    grabber.setMonitor(&MonitorLog::monitor);
    const int started = grabber.ripTrack(track);
    if (started < 0)
        return started;
    return MonitorLog::instance().waitForEnd();
}

std::map<std::string, std::string> probe(const std::filesystem::path& file) {
    const std::string out = runCommand(
        "ffprobe -v error -show_entries "
        "format=duration,bit_rate,format_name:format_tags:stream=codec_name,bit_rate:stream_tags "
        "-of default=noprint_wrappers=1 " +
        quoted(file.string()));
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        std::transform(key.begin(), key.end(), key.begin(), ::tolower);
        fields.emplace(key, line.substr(eq + 1));
    }
    return fields;
}

std::string decodePcm(const std::filesystem::path& file) {
    return runCommand("ffmpeg -v error -i " + quoted(file.string()) +
                      " -f s16le -acodec pcm_s16le -ar 44100 -ac 2 -");
}

} // namespace cdgrbtest
