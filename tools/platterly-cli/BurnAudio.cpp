// burn X: --audio: builds the engine's audio image from WAV, MP3 and WMA files (decoding what
// the image refuses into a private temporary folder) and burns it, printing the progress.
#include "BurnAudio.h"

#include "discengine/Disc.h"
#include "jobs/AudioImageJob.h"
#include "jobs/Interrupt.h"
#include "jobs/WriteWatcher.h"

#include <cstdlib>
#include <iostream>

namespace fs = std::filesystem;

namespace {

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

int Write(cli::Context& context, discengine::IAudioCDImageX& image,
          const std::shared_ptr<discengine::IDeviceX>& device, const Options& options,
          const jobs::InterruptWatch& interrupt) {
    image.SetWriteKind(1);
    image.SetWriteSpeed(options.speed);
    image.SetTestMode(options.test);
    jobs::WriteWatcher watcher(
        {"Writing", true, true,
         options.test
             ? "nothing was written"
             : "the disc holds an unfinished write (a CD-RW can be erased and used again)"});
    context.engine->SetListener(&watcher);
    if (!image.WriteToDevice(device)) {
        context.engine->SetListener(nullptr);
        image.ClearTracks();
        std::cerr << "platterly-cli: the write could not be started (the drive is busy)\n";
        return cli::kExitFailed;
    }
    const int status = watcher.Wait([&] { image.Cancel(); }, &interrupt);
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    image.ClearTracks();
    if (const int exit = cli::ExitOfWrite(status); exit != 0)
        return exit;
    std::cout << (options.test ? "Test write completed (nothing was written).\n"
                               : "Write completed.\n");
    return 0;
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
    // Ctrl+C is watched from here on: decoding stops between files, a write is cancelled, and
    // the decoded copies go with `prepared` either way.
    jobs::InterruptWatch interrupt;
    try {
        jobs::AudioImagePreparation prepared;
        image->SetWriteMode(options.discAtOnce ? 232 : 2);
        try {
            prepared.Fill(
                *image, options.files, [](const std::string& line) { std::cout << line << "\n"; },
                [&] { return interrupt.Interrupted(); });
            jobs::CheckAudioDisc(*device, image->TotalBlocks());
        } catch (const jobs::JobCancelled&) {
            image->ClearTracks();
            std::cerr << "platterly-cli: cancelled; nothing was written\n";
            return kExitCancelled;
        } catch (const jobs::JobError&) {
            image->ClearTracks();
            throw;
        }
        return Write(context, *image, device, options, interrupt);
    } catch (const jobs::JobError& error) {
        std::cerr << "platterly-cli: " << error.what() << "\n";
        return kExitFailed;
    }
}

} // namespace cli
