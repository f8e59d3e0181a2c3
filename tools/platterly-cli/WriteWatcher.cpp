#include "WriteWatcher.h"

#include "discengine/Disc.h"
#include "discengine/SourceTree.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace cli {

namespace {
const char* StatusText(int status) {
    switch (status) {
    case discengine::kWritePreparing:
        return "Preparing image";
    case discengine::kWriteCachingImage:
        return "Caching image";
    case discengine::kWriteLeadIn:
        return "Writing lead-in";
    case discengine::kWriteClosingTrack:
        return "Closing track";
    case discengine::kWriteLeadOut:
        return "Writing lead-out";
    case discengine::kWriteUpdatingVolume:
        return "Updating volume";
    default:
        return nullptr;
    }
}
} // namespace

void WriteWatcher::EndLine() {
    if (barShown_)
        std::fputc('\n', stdout);
    barShown_ = false;
}

void WriteWatcher::OnWriteStatus(std::int32_t, std::int32_t progress, std::int32_t, std::int32_t,
                                 std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                 std::int32_t, std::int32_t status, bool&) {
    std::lock_guard lock(mutex_);
    tty_ = ::isatty(STDOUT_FILENO);
    bool bar = status == discengine::kWriteWriting || status == discengine::kWriteCachingImage;
    if (bar) {
        const char* what = status == discengine::kWriteWriting ? verb_.c_str() : "Caching";
        if (tty_) {
            int filled = progress * 40 / 100;
            std::printf("\r%-8s [%s%s] %3d%%", what, std::string(filled, '#').c_str(),
                        std::string(40 - filled, '-').c_str(), progress);
            barShown_ = true;
        } else if (progress / 10 != lastPrinted_ / 10 || status != lastStatus_) {
            std::printf("%s: %d%%\n", what, progress);
            lastPrinted_ = progress;
        }
    } else if (const char* text = StatusText(status)) {
        EndLine();
        std::printf("%s...\n", text);
    }
    lastStatus_ = status;
    if (status >= discengine::kWriteCompleted && status <= discengine::kWriteError) {
        EndLine();
        final_ = status;
        changed_.notify_all();
    }
    std::fflush(stdout);
}

void WriteWatcher::OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) {
    std::lock_guard lock(mutex_);
    EndLine();
    if (auto device = error->DeviceError())
        std::fprintf(stderr, "platterly-cli: device error: (0x%06X) %s - %s - %s\n",
                     static_cast<unsigned>(device->ErrorCode()), device->Description().c_str(),
                     device->Detail().c_str(), device->Context().c_str());
    else if (auto file = error->FileError())
        std::fprintf(stderr, "platterly-cli: %s file error: (%d) %s\n  path: %s\n",
                     error->Kind() == discengine::kWriteErrorOutputFile ? "output" : "source",
                     file->ErrorCode(), file->Description().c_str(), file->Path().c_str());
    else
        std::fprintf(stderr, "platterly-cli: write error (%d): %s\n", error->Kind(),
                     error->Description().c_str());
}

void WriteWatcher::OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                                      std::int32_t, bool& ignore) {
    std::lock_guard lock(mutex_);
    EndLine();
    // A file that cannot be read stops the write: an image with a hole is not what was asked.
    std::fprintf(stderr, "platterly-cli: cannot read %s: %s\n", error->Path().c_str(),
                 error->Description().c_str());
    ignore = false;
}

void WriteWatcher::OnFileVerifyStart(std::int32_t, std::int32_t count) {
    std::lock_guard lock(mutex_);
    EndLine();
    std::printf("Verifying %d files...\n", count);
}

void WriteWatcher::OnFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double,
                                double, std::int32_t status, std::int32_t, std::int32_t, bool&) {
    static const char* const kTexts[] = {"cannot read the source",
                                         "cannot read it back",
                                         "differs from the source",
                                         nullptr,
                                         nullptr,
                                         "has another size than the source"};
    if (status < 0 || status > 5 || !kTexts[status])
        return;
    std::lock_guard lock(mutex_);
    ++verifyFailures_;
    std::fprintf(stderr, "platterly-cli: verify: %s %s\n", item->ImagePath().c_str(),
                 kTexts[status]);
}

void WriteWatcher::OnFileVerifyComplete(std::int32_t, std::int32_t count, std::int32_t matched) {
    std::lock_guard lock(mutex_);
    std::printf("Verified: %d of %d files match.\n", matched, count);
}

namespace {
volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) {
    gInterrupted = 1;
}
} // namespace

int WriteWatcher::Wait(const std::function<void()>& cancel) {
    struct sigaction action {};
    struct sigaction oldInt {
    }, oldTerm{};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART; // the engine's threads keep their reads and writes going
    sigemptyset(&action.sa_mask);
    gInterrupted = 0;
    ::sigaction(SIGINT, &action, &oldInt);
    ::sigaction(SIGTERM, &action, &oldTerm);
    bool cancelled = false;
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(100), [&] { return final_ >= 0; })) {
        if (gInterrupted && !cancelled && cancel) {
            cancelled = true;
            EndLine();
            std::fprintf(stderr, "platterly-cli: cancelling...\n");
            lock.unlock();
            cancel();
            lock.lock();
        }
    }
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    if (final_ == discengine::kWriteCancelled)
        std::fprintf(stderr, "platterly-cli: cancelled; nothing was written\n");
    return final_;
}

namespace {
void PrintLeftOut(const std::string&, const std::string& message) {
    std::fprintf(stderr, "platterly-cli: left out: %s\n", message.c_str());
}

void AddDiscTree(discengine::IDiscVolume& volume, discengine::IFileLayoutX& layout,
                 std::string letter, const std::string& folder, const std::string& at) {
    for (const auto& entry : volume.List(folder)) {
        std::string from = (folder == "\\" ? "" : folder) + "\\" + entry.name;
        std::string path = at + "\\" + entry.name;
        if (entry.isFolder) {
            layout.AddItem(entry.name, path);
            AddDiscTree(volume, layout, letter, from, path);
        } else {
            layout.AddItem(letter + ":" + from, path);
        }
    }
}
} // namespace

bool AddSourceToImage(discengine::IDVDEngineX& engine, discengine::IFileLayoutX& layout,
                      const std::string& source) {
    if (auto drivePath = discengine::ParseDrivePath(source)) {
        auto device = engine.FindDevice(drivePath->letter);
        if (!device)
            throw discengine::EngineError("There is no drive " + source.substr(0, 2));
        auto volume = device->Volume();
        auto entry = volume->Stat(drivePath->path);
        if (!entry)
            throw discengine::EngineError(source + " does not exist");
        if (entry->isFolder)
            AddDiscTree(*volume, layout, std::string(1, drivePath->letter), drivePath->path, "");
        else
            layout.AddItem(source, "\\" + entry->name);
        return false;
    }
    fs::path path(source);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return discengine::AddSourceTree(layout, path, "", PrintLeftOut);
    if (!fs::is_regular_file(path, ec))
        throw discengine::EngineError(source + " does not exist");
    layout.AddItem(fs::absolute(path).string(),
                   "\\" + discengine::ImageNameOf(path.filename().string()));
    return false;
}

} // namespace cli
