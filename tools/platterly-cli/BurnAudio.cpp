// burn X: --audio: builds the engine's audio image from WAV, MP3 and WMA files (decoding what
// the image refuses into a private temporary folder) and burns it, printing the progress.
#include "BurnAudio.h"

#include "AudioDecoder.h"
#include "discengine/Disc.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Decoded copies live here and go with it, whatever way the command ends.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "platterly-burn-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder in " +
                                     fs::temp_directory_path().string());
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::string Msf(std::int32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / 4500, (frames / 75) % 60,
                  frames % 75);
    return text;
}

// Prints the write events; file warnings are let pass, as the Burn CD page does.
class BurnWatcher final : public discengine::IEngineListener {
public:
    void OnWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                       std::int32_t track, std::int32_t trackCount, std::int32_t trackProgress,
                       std::int32_t, std::int32_t, std::int32_t status, bool&) override {
        std::lock_guard lock(mutex_);
        using namespace discengine;
        switch (status) {
        case kWritePreparing:
            Line("Preparing image...");
            break;
        case kWriteCachingTrack:
            if (trackProgress == 0)
                Line("Caching track " + std::to_string(track) + "...");
            break;
        case kWriteLeadIn:
            Line("Writing lead-in...");
            break;
        case kWriteWriting:
            Progress(imageProgress, track, trackCount);
            break;
        case kWriteClosingTrack:
            break;
        case kWriteLeadOut:
            Line("Writing lead-out...");
            break;
        case kWriteCompleted:
        case kWriteCancelled:
        case kWriteError:
            ok_ = status == kWriteCompleted;
            done_ = true;
            changed_.notify_all();
            break;
        default:
            break;
        }
    }
    void OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) override {
        std::lock_guard lock(mutex_);
        EndBar();
        std::string where;
        if (auto file = error->FileError())
            where = " (" + file->Path() + ")";
        else if (auto device = error->DeviceError())
            where = " (" + device->Context() + ")";
        std::fprintf(stderr, "platterly-cli: write failed: %s%s\n", error->Description().c_str(),
                     where.c_str());
    }
    void OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                            std::int32_t track, bool& ignore) override {
        std::lock_guard lock(mutex_);
        EndBar();
        std::fprintf(stderr, "platterly-cli: warning, track %d: %s (%s)\n", track,
                     error->Description().c_str(), error->Path().c_str());
        ignore = true;
    }
    bool Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_; });
        EndBar();
        return ok_;
    }

private:
    void Line(const std::string& text) {
        EndBar();
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }
    void Progress(int percent, int track, int count) {
        if (tty_) {
            int filled = percent * 40 / 100;
            std::printf("\rWriting track %d of %d [%s%s] %3d%%", track, count,
                        std::string(filled, '#').c_str(), std::string(40 - filled, '-').c_str(),
                        percent);
            barShown_ = true;
        } else if (percent / 10 != lastDecile_) {
            lastDecile_ = percent / 10;
            std::printf("Writing track %d of %d: %d%%\n", track, count, percent);
        }
        std::fflush(stdout);
    }
    void EndBar() {
        if (barShown_)
            std::fputc('\n', stdout);
        barShown_ = false;
    }
    bool tty_ = ::isatty(STDOUT_FILENO);
    bool barShown_ = false;
    int lastDecile_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false, ok_ = false;
};

struct Options {
    bool discAtOnce = false, test = false;
    std::int32_t speed = 0;
    std::vector<fs::path> files;
};

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dao") {
            options.discAtOnce = true;
        } else if (args[i] == "--test") {
            options.test = true;
        } else if (args[i] == "--speed" && i + 1 < args.size()) {
            char* end = nullptr;
            long speed = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || speed < 0 || speed > 100000)
                return false;
            options.speed = static_cast<std::int32_t>(speed);
        } else if (args[i].rfind("--", 0) == 0) {
            return false;
        } else {
            options.files.emplace_back(args[i]);
        }
    }
    return !options.files.empty();
}

// Puts every file into the image in play order; false after printing why one could not go in.
bool FillImage(discengine::IAudioCDImageX& image, const std::vector<fs::path>& files,
               const fs::path& temp) {
    image.ClearTracks();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path& file = files[i];
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            std::cerr << "platterly-cli: " << file.string() << ": no such file\n";
            return false;
        }
        const auto position = static_cast<std::int32_t>(i + 1);
        if (image.InsertTrack(file, position)) {
            std::cout << "Track " << position << ": " << file.string() << "\n";
            continue;
        }
        fs::path wav;
        try {
            std::cout << "Track " << position << ": decoding " << file.string() << "\n";
            wav = DecodeToNewWav(file, temp);
        } catch (const std::exception& error) {
            std::cerr << "platterly-cli: cannot decode " << file.string() << ": " << error.what()
                      << "\n";
            return false;
        }
        if (!image.InsertTrack(wav, position)) {
            std::cerr << "platterly-cli: " << file.string()
                      << ": the decoded audio was refused by the audio image\n";
            return false;
        }
    }
    return true;
}

// The drive must be a writer holding a blank disc with room for the tracks.
bool CheckDisc(discengine::IDeviceX& device, std::int32_t need) {
    device.Refresh(false);
    auto info = device.DiscInfo();
    const char letter = device.DriveLetter();
    if (!device.IsWriter()) {
        std::cerr << "platterly-cli: " << letter << ": cannot write\n";
        return false;
    }
    if (info->MediaType() == discengine::kMediaNone) {
        std::cerr << "platterly-cli: there is no disc in " << letter << ":\n";
        return false;
    }
    if (!info->IsOpen() || info->DiscStatus() != discengine::kDiscEmpty) {
        std::cerr << "platterly-cli: the disc in " << letter
                  << ": is not blank; an audio CD needs a blank disc\n";
        return false;
    }
    std::int32_t free = device.FreeBlocks(false);
    if (need > free) {
        std::cerr << "platterly-cli: the tracks need " << Msf(need) << " (" << need
                  << " blocks), the disc in " << letter << ": holds " << Msf(free) << " (" << free
                  << " blocks)\n";
        return false;
    }
    return true;
}

} // namespace

namespace cli {

int BurnAudio(Context& context, const std::string& drive, const std::vector<std::string>& args) {
    Options options;
    if (!ParseOptions(args, options)) {
        std::cerr << "usage: platterly-cli burn X: --audio [--dao] [--test] [--speed KBs] "
                     "FILE...\n";
        return kExitUsage;
    }
    auto device = DriveArgument(context, drive);
    if (!device)
        return kExitUsage;
    auto image = context.engine->AudioImage();
    TempFolder temp;
    image->SetWriteMode(options.discAtOnce ? 232 : 2);
    if (!FillImage(*image, options.files, temp.Path()) ||
        !CheckDisc(*device, image->TotalBlocks())) {
        image->ClearTracks();
        return kExitFailed;
    }
    image->SetWriteKind(1);
    image->SetWriteSpeed(options.speed);
    image->SetTestMode(options.test);
    BurnWatcher watcher;
    context.engine->SetListener(&watcher);
    if (!image->WriteToDevice(device)) {
        context.engine->SetListener(nullptr);
        image->ClearTracks();
        std::cerr << "platterly-cli: the write could not be started (the drive is busy)\n";
        return kExitFailed;
    }
    bool ok = watcher.Wait();
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    image->ClearTracks();
    if (ok)
        std::cout << (options.test ? "Test write completed (nothing was written).\n"
                                   : "Write completed.\n");
    return ok ? 0 : kExitFailed;
}

} // namespace cli
