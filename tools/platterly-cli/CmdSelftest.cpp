// selftest X: [--write]: a harmless check of a drive for people who report hardware problems.
// It reads what the drive says, reads a little of the disc (files of a data disc, one second
// of audio of an audio CD) and, with --write, makes a simulated burn that writes nothing.
#include "Commands.h"

#include "discengine/Disc.h"
#include "discengine/DriveRegistry.h"
#include "discengine/VirtualStore.h"

#include <cdio/cdio.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;
namespace de = discengine;

namespace {

struct Tally {
    int failed = 0;
    void Line(const std::string& step, bool ok, const std::string& detail) {
        std::cout << (ok ? "  ok      " : "  FAILED  ") << step << ": " << detail << "\n";
        failed += ok ? 0 : 1;
    }
    void Skip(const std::string& step, const std::string& why) {
        std::cout << "  skipped " << step << ": " << why << "\n";
    }
};

struct CdioClose {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};

void CheckDrive(de::IDeviceX& d, Tally& t) {
    std::cout << d.Description() << "\n  device " << d.DeviceId() << "\n";
    std::string caps;
    for (int code = 0; code <= 57; ++code)
        if (d.Supports(code))
            caps += (caps.empty() ? "" : ",") + std::to_string(code);
    t.Line("drive", true,
           std::string(d.IsWriter() ? "writer" : "reader") + ", read " +
               std::to_string(d.MaxReadSpeed()) + " KB/s, write " +
               std::to_string(d.MaxWriteSpeed()) + " KB/s, buffer " +
               std::to_string(d.BufferSize()) + " KB, capabilities " +
               (caps.empty() ? "none" : caps));
}

bool CheckMedium(de::IDeviceX& d, Tally& t) {
    d.Refresh(true);
    if (!d.MediumProblem().empty()) {
        t.Line("open", false, d.MediumProblem());
        return false;
    }
    auto info = d.DiscInfo();
    if (info->MediaType() == de::kMediaNone) {
        t.Line("medium", true, d.IsTrayOpen() ? "tray open" : "no disc");
        return false;
    }
    t.Line("medium", true,
           de::MediaTypeName(info->MediaType()) + ", status " + std::to_string(info->DiscStatus()) +
               ", " + std::to_string(info->SessionCount()) + " sessions, " +
               std::to_string(info->TrackCount()) + " tracks, used " +
               std::to_string(d.UsedBlocks(false)) + " free " +
               std::to_string(d.FreeBlocks(false)) + " blocks, " +
               std::to_string(d.WriteSpeedCount()) + " write speeds");
    return true;
}

// The first file of the volume, depth first, read whole up to 1 MiB.
void CheckDataRead(de::IDeviceX& d, Tally& t) {
    try {
        auto volume = d.Volume();
        std::vector<std::string> folders{"\\"};
        while (!folders.empty()) {
            std::string folder = folders.back();
            folders.pop_back();
            for (const auto& entry : volume->List(folder)) {
                std::string path = (folder == "\\" ? "" : folder) + "\\" + entry.name;
                if (entry.isFolder) {
                    folders.push_back(path);
                    continue;
                }
                std::uint64_t bytes = 0;
                volume->ReadFile(path, [&](const char*, std::size_t n) {
                    bytes += n;
                    return bytes < (1u << 20);
                });
                t.Line("read", true,
                       "label \"" + volume->Label() + "\", read " + std::to_string(bytes) +
                           " bytes of " + path);
                return;
            }
        }
        t.Line("read", true, "label \"" + volume->Label() + "\", no files");
    } catch (const std::exception& e) {
        t.Line("read", false, e.what());
    }
}

void CheckAudioRead(de::IDeviceX& d, de::ITrackInfoX& track, Tally& t) {
    auto source = de::DriveCdioSource(d.DriveLetter(), de::DefaultDriveStore(de::ProgramDir()));
    if (!source) {
        t.Line("read", false, "libcdio has no source for this drive");
        return;
    }
    std::unique_ptr<CdIo_t, CdioClose> cdio(
        cdio_open(source->path.c_str(), static_cast<driver_id_t>(source->driver)));
    std::vector<char> second(75 * CDIO_CD_FRAMESIZE_RAW);
    bool ok = cdio && cdio_read_audio_sectors(cdio.get(), second.data(), track.StartAddress(),
                                              75) == DRIVER_OP_SUCCESS;
    t.Line("read", ok,
           ok ? "one second of audio from track 1 through libcdio"
              : "libcdio cannot read audio from " + source->path);
}

// A listener that keeps the last write status and error.
struct EndWatch : de::IEngineListener {
    std::mutex mutex;
    std::condition_variable changed;
    int end = -1;
    std::string error;
    void OnWriteStatus(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t status,
                       bool&) override {
        std::lock_guard lock(mutex);
        if (status >= de::kWriteCompleted)
            end = status;
        changed.notify_all();
    }
    void OnWriteError(std::int32_t, std::shared_ptr<de::IWriteErrorX> e) override {
        std::lock_guard lock(mutex);
        error = e->Description();
        if (auto device = e->DeviceError())
            error += " (" + device->Detail() + ")";
    }
};

void CheckSimulatedWrite(cli::Context& context, std::shared_ptr<de::IDeviceX> d, Tally& t) {
    if (!d->IsWriter() || !d->Supports(de::kCapTestWrite))
        return t.Skip("simulated write", "the drive cannot simulate a write");
    auto info = d->DiscInfo();
    if (info->MediaType() == de::kMediaNone || info->DiscStatus() != de::kDiscEmpty)
        return t.Skip("simulated write", "insert a blank disc first");
    fs::path folder =
        fs::temp_directory_path() / ("platterly-selftest-" + std::to_string(getpid()));
    fs::create_directories(folder);
    {
        std::ofstream file(folder / "selftest.bin", std::ios::binary);
        std::string block(64 * 1024, 'P');
        for (int i = 0; i < 32; ++i)
            file << block;
    }
    EndWatch watch;
    context.engine->SetListener(&watch);
    auto image = context.engine->DataImage();
    image->Layout()->Clear();
    image->Layout()->AddItem((folder / "selftest.bin").string(), "\\selftest.bin");
    image->SetTestMode(true);
    bool started = image->WriteToDevice(d);
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!started)
        return t.Line("simulated write", false, "the drive is busy");
    t.Line("simulated write", watch.end == de::kWriteCompleted,
           watch.end == de::kWriteCompleted ? "2 MiB written in test mode, nothing burned"
                                            : watch.error);
}

int Selftest(cli::Context& context, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--write")) {
        std::cerr << "usage: platterly-cli selftest X: [--write]\n";
        return cli::kExitUsage;
    }
    auto device = cli::DriveArgument(context, args[0]);
    if (!device)
        return cli::kExitUsage;
    Tally t;
    CheckDrive(*device, t);
    if (CheckMedium(*device, t)) {
        auto track = device->TrackInfo(1);
        if (!track || track->IsBlank())
            t.Skip("read", "the disc is blank");
        else if (track->IsAudio())
            CheckAudioRead(*device, *track, t);
        else
            CheckDataRead(*device, t);
    }
    if (args.size() == 2)
        CheckSimulatedWrite(context, device, t);
    std::cout << (t.failed == 0 ? "selftest passed\n" : "selftest FAILED\n");
    return t.failed == 0 ? 0 : cli::kExitFailed;
}

cli::Register reg({"selftest", "selftest X: [--write]", Selftest});

} // namespace
