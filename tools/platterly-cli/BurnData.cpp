#include "BurnData.h"

#include "discengine/Disc.h"
#include "jobs/DataLayout.h"
#include "jobs/WriteWatcher.h"

#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

const char* const kUsage = "usage: platterly-cli burn X: (--image FILE.iso | SOURCE...) "
                           "[--speed KBPS] [--test] [--finalize]\n";

struct BurnArgs {
    std::string image;
    std::vector<std::string> sources;
    std::int32_t speed = 0;
    bool test = false, finalize = false;
};

bool Parse(const std::vector<std::string>& args, BurnArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--image" && i + 1 < args.size()) {
            out.image = args[++i];
        } else if (a == "--speed" && i + 1 < args.size()) {
            try {
                out.speed = std::stoi(args[++i]);
            } catch (const std::exception&) {
                return false;
            }
            if (out.speed < 0)
                return false;
        } else if (a == "--test") {
            out.test = true;
        } else if (a == "--finalize") {
            out.finalize = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            out.sources.push_back(a);
        }
    }
    return out.image.empty() != out.sources.empty();
}

bool CheckBlank(discengine::IDeviceX& device) {
    device.Refresh(false);
    auto info = device.DiscInfo();
    if (!device.IsWriter()) {
        std::cerr << "platterly-cli: " << device.DriveLetter() << ": cannot write\n";
        return false;
    }
    if (info->MediaType() == discengine::kMediaNone || !info->IsOpen() ||
        info->DiscStatus() != discengine::kDiscEmpty) {
        std::cerr << "platterly-cli: insert an empty disc into " << device.DriveLetter()
                  << ": first\n";
        return false;
    }
    return true;
}

} // namespace

namespace cli {

int BurnData(Context& context, const std::string& drive, const std::vector<std::string>& argv) {
    BurnArgs args;
    if (!Parse(argv, args)) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    auto device = DriveArgument(context, drive);
    if (!device)
        return kExitUsage;
    if (!CheckBlank(*device))
        return kExitFailed;
    std::signal(SIGXFSZ, SIG_IGN);
    auto image = context.engine->DataImage();
    image->SetWriteKind(1);
    image->SetWriteSpeed(args.speed);
    image->SetTestMode(args.test);
    image->SetFinalize(args.finalize);
    image->SetCacheFiles(false);
    image->SetAutoVerify(!args.test);
    image->SetFileSystems(7);
    std::uint64_t need = 0;
    bool leftOut = false;
    if (args.image.empty()) {
        auto layout = image->Layout();
        layout->Clear();
        for (const auto& source : args.sources)
            leftOut =
                jobs::AddSourceToImage(*context.engine, *layout, source, PrintLeftOut) || leftOut;
        if (image->Volume()->Label().empty())
            image->Volume()->SetLabel("New Disc");
        need = image->ImageSize();
    } else {
        std::error_code ec;
        need = std::filesystem::file_size(args.image, ec);
        if (ec) {
            std::cerr << "platterly-cli: cannot read " << args.image << "\n";
            return kExitFailed;
        }
    }
    auto free = static_cast<std::uint64_t>(device->FreeBlocks(true)) * 2048;
    if (need > free) {
        std::cerr << "platterly-cli: the image needs " << need / 1048576 << " MB, the disc has "
                  << free / 1048576 << " MB free\n";
        return kExitFailed;
    }
    jobs::WriteWatcher watcher({args.test ? "Testing" : "Burning"});
    context.engine->SetListener(&watcher);
    bool started = args.image.empty() ? image->WriteToDevice(device)
                                      : image->WriteImageFileToDevice(args.image, device);
    if (!started) {
        context.engine->SetListener(nullptr);
        std::cerr << "platterly-cli: the write could not be started ("
                  << (args.image.empty() ? "the drive is busy"
                                         : "the drive is busy or " + args.image + " is no image")
                  << ")\n";
        return kExitFailed;
    }
    int status = watcher.Wait([&] { image->Cancel(); });
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    if (const int exit = ExitOfWrite(status); exit != 0)
        return exit;
    std::cout << (args.test ? "Test write completed; nothing was written.\n" : "Burn completed.\n");
    if (leftOut)
        std::cerr << "platterly-cli: the disc lacks the entries left out above\n";
    return watcher.VerifyFailed() || leftOut ? kExitFailed : 0;
}

} // namespace cli
