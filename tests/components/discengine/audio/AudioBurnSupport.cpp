#include "AudioBurnSupport.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace audioburn {
namespace {

void Put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

} // namespace

std::string CdWavBytes(std::int64_t sampleFrames, std::uint32_t seed) {
    std::string pcm;
    pcm.reserve(static_cast<std::size_t>(sampleFrames * 4));
    std::uint32_t state = seed;
    for (std::int64_t i = 0; i < sampleFrames; ++i) {
        state = state * 1664525u + 1013904223u;
        double t = static_cast<double>(i) / 44100.0;
        auto left = static_cast<std::int16_t>(std::sin(t * 440.0 * (1 + seed % 5)) * 12000 +
                                              static_cast<int>(state >> 20) - 2048);
        auto right = static_cast<std::int16_t>(std::sin(t * 330.0) * 9000 +
                                               static_cast<int>((state >> 8) & 0xFFF) - 2048);
        Put16(pcm, static_cast<std::uint16_t>(left));
        Put16(pcm, static_cast<std::uint16_t>(right));
    }
    std::string wav = "RIFF";
    Put32(wav, static_cast<std::uint32_t>(36 + 12 + pcm.size()));
    wav += "WAVEfmt ";
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, 2);
    Put32(wav, 44100);
    Put32(wav, 176400);
    Put16(wav, 4);
    Put16(wav, 16);
    wav += "LIST"; // an unrelated chunk before the data, as taggers write
    Put32(wav, 4);
    wav += "INFO";
    wav += "data";
    Put32(wav, static_cast<std::uint32_t>(pcm.size()));
    return wav + pcm;
}

std::string PcmOf(const std::string& wav) {
    auto at = wav.find("data");
    std::uint32_t size = 0;
    std::memcpy(&size, wav.data() + at + 4, 4);
    return wav.substr(at + 8, size);
}

void Recorder::OnWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                             std::int32_t currentTrack, std::int32_t trackCount,
                             std::int32_t trackProgress, std::int32_t, std::int32_t,
                             std::int32_t status, bool& cancel) {
    Event e{status, imageProgress, currentTrack, trackCount, trackProgress, {}};
    if (hook)
        hook(e, cancel);
    std::lock_guard lock(mutex_);
    events_.push_back(e);
    changed_.notify_all();
}

void Recorder::OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) {
    std::string text = std::to_string(error->Kind()) + " " + error->Description();
    if (auto file = error->FileError())
        text += " | " + file->Path();
    std::lock_guard lock(mutex_);
    events_.push_back({-1, 0, 0, 0, 0, text});
}

void Recorder::OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                                  std::int32_t track, bool& ignore) {
    ignore = ignoreWarnings;
    std::lock_guard lock(mutex_);
    events_.push_back({-2, 0, track, 0, 0, error->Description() + " | " + error->Path()});
}

std::vector<Event> Recorder::Events() {
    std::lock_guard lock(mutex_);
    return events_;
}

int Recorder::WaitEnd() {
    auto ends = [&] {
        std::vector<int> found;
        for (const auto& e : events_)
            if (e.status >= 9 && e.status <= 11)
                found.push_back(e.status);
        return found;
    };
    std::unique_lock lock(mutex_);
    bool ended = changed_.wait_for(lock, std::chrono::minutes(5),
                                   [&] { return ends().size() > consumedEnds_; });
    return ended ? ends()[consumedEnds_++] : -1;
}

Fixture::Fixture() {
    engine = discengine::CreateEngine({dir / "drives", true});
    EXPECT_TRUE(engine->Initialize(0)) << engine->LastError();
    engine->SetListener(&recorder);
}

Fixture::~Fixture() {
    engine->WaitForJobs();
    engine->SetListener(nullptr);
}

fs::path Fixture::Write(const std::string& name, const std::string& bytes) {
    fs::path file = dir / name;
    testsupport::writeFile(file, bytes);
    return file;
}

DiscRead ReadDisc(const fs::path& cue) {
    DiscRead read;
    std::unique_ptr<CdIo_t, void (*)(CdIo_t*)> cdio(cdio_open(cue.c_str(), DRIVER_BINCUE),
                                                    cdio_destroy);
    if (!cdio)
        return read;
    track_t first = cdio_get_first_track_num(cdio.get());
    read.tracks = cdio_get_num_tracks(cdio.get());
    cdtext_t* text = cdio_get_cdtext(cdio.get());
    for (track_t t = first; t < first + read.tracks; ++t) {
        lsn_t start = cdio_get_track_lsn(cdio.get(), t);
        int length = static_cast<int>(cdio_get_track_sec_count(cdio.get(), t));
        read.starts.push_back(start);
        read.lengths.push_back(length);
        std::string pcm(static_cast<std::size_t>(length) * CDIO_CD_FRAMESIZE_RAW, '\0');
        if (cdio_read_audio_sectors(cdio.get(), pcm.data(), start,
                                    static_cast<std::uint32_t>(length)) != DRIVER_OP_SUCCESS)
            pcm.clear();
        read.pcm.push_back(pcm);
        const char* title = text ? cdtext_get_const(text, CDTEXT_FIELD_TITLE, t) : nullptr;
        read.titles.push_back(title ? title : "");
    }
    return read;
}

int RunCommand(const std::string& command, std::string* output) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
    if (!pipe)
        return -1;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        out.append(buffer, got);
    int status = ::pclose(pipe.release());
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace audioburn
