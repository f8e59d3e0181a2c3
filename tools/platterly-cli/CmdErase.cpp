#include "Commands.h"

#include "discengine/Disc.h"

#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace {

// Prints the erase events: a progress bar on a terminal, plain lines otherwise.
class EraseWatcher final : public discengine::IEngineListener {
public:
    void OnEraseStatus(std::int32_t, std::int32_t status, std::int32_t progress) override {
        std::lock_guard lock(mutex_);
        if (status == discengine::kEraseStarted || status == discengine::kEraseProgress)
            Bar(progress);
        if (status == discengine::kEraseCompleted || status == discengine::kEraseFailed) {
            if (tty_)
                std::fputc('\n', stdout);
            ok_ = status == discengine::kEraseCompleted;
            done_ = true;
            changed_.notify_all();
        }
    }
    void OnEraseError(std::int32_t, std::shared_ptr<discengine::IDeviceErrorX> error) override {
        std::lock_guard lock(mutex_);
        if (tty_)
            std::fputc('\n', stdout);
        std::fprintf(stderr, "platterly-cli: erase failed: (%d) %s - %s - %s\n", error->ErrorCode(),
                     error->Description().c_str(), error->Detail().c_str(),
                     error->Context().c_str());
    }
    bool Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_; });
        return ok_;
    }

private:
    void Bar(int percent) {
        if (tty_) {
            int filled = percent * 40 / 100;
            std::printf("\rErasing [%s%s] %3d%%", std::string(filled, '#').c_str(),
                        std::string(40 - filled, '-').c_str(), percent);
        } else if (percent % 10 == 0 && percent != lastPrinted_) {
            std::printf("Erasing: %d%%\n", percent);
            lastPrinted_ = percent;
        }
        std::fflush(stdout);
    }
    bool tty_ = ::isatty(STDOUT_FILENO);
    int lastPrinted_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false, ok_ = false;
};

int Erase(cli::Context& context, const std::vector<std::string>& args) {
    bool quick = false;
    std::vector<std::string> rest;
    for (const auto& arg : args)
        if (arg == "--quick")
            quick = true;
        else
            rest.push_back(arg);
    if (rest.size() != 1) {
        std::cerr << "usage: platterly-cli erase X: [--quick]\n";
        return cli::kExitUsage;
    }
    auto device = cli::DriveArgument(context, rest[0]);
    if (!device)
        return cli::kExitUsage;
    device->Refresh(false);
    auto info = device->DiscInfo();
    if (!device->IsWriter()) {
        std::cerr << "platterly-cli: " << device->DriveLetter() << ": cannot write or erase\n";
        return cli::kExitFailed;
    }
    if (info->MediaType() == discengine::kMediaNone) {
        std::cerr << "platterly-cli: there is no disc in " << device->DriveLetter() << ":\n";
        return cli::kExitFailed;
    }
    if (!info->IsErasable()) {
        std::cerr << "platterly-cli: the disc in " << device->DriveLetter()
                  << ": is not erasable\n";
        return cli::kExitFailed;
    }
    EraseWatcher watcher;
    context.engine->SetListener(&watcher);
    if (!device->Erase(quick, 0)) {
        context.engine->SetListener(nullptr);
        std::cerr << "platterly-cli: the erase could not be started (the drive is busy)\n";
        return cli::kExitFailed;
    }
    bool ok = watcher.Wait();
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    if (ok)
        std::cout << "Erase completed.\n";
    return ok ? 0 : cli::kExitFailed;
}

cli::Register reg({"erase", "erase X: [--quick]", Erase});

} // namespace
