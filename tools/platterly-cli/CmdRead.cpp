#include "Commands.h"
#include "jobs/DataDiscRead.h"
#include "jobs/FolderCopyText.h"
#include "jobs/Interrupt.h"
#include "jobs/WriteWatcher.h"

#include "discengine/Device.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kUsage = "read X: (--iso FILE.iso | --folder DIR) [--replace] [--label TEXT] "
                           "[--fs N] [--verify] [--mode2xa]";

struct ReadArgs {
    std::string drive;
    fs::path iso, folder;
    bool replace = false, verify = false, mode2XA = false;
    std::optional<std::string> label;
    std::optional<int> fileSystems;
};

std::optional<ReadArgs> Parse(const std::vector<std::string>& args) {
    ReadArgs r;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--iso" && hasValue && r.iso.empty()) {
            r.iso = args[++i];
        } else if (a == "--folder" && hasValue && r.folder.empty()) {
            r.folder = args[++i];
        } else if (a == "--label" && hasValue) {
            r.label = args[++i];
        } else if (a == "--fs" && hasValue) {
            const std::string& v = args[++i];
            if (v != "1" && v != "3" && v != "4" && v != "5" && v != "7") {
                std::cerr << "platterly-cli: --fs takes 1, 3, 4, 5 or 7\n";
                return std::nullopt;
            }
            r.fileSystems = std::stoi(v);
        } else if (a == "--replace") {
            r.replace = true;
        } else if (a == "--verify") {
            r.verify = true;
        } else if (a == "--mode2xa") {
            r.mode2XA = true;
        } else if (r.drive.empty() && !a.empty() && a[0] != '-') {
            r.drive = a;
        } else {
            std::cerr << "platterly-cli: unexpected argument " << a << "\n";
            return std::nullopt;
        }
    }
    if (r.drive.empty() || r.iso.empty() == r.folder.empty())
        return std::nullopt;
    return r;
}

// The file systems the disc carries on its first data track; ISO9660 with Joliet otherwise.
int DiscFileSystems(discengine::IDeviceX& drive) {
    auto info = drive.DiscInfo();
    const int tracks = info ? info->TrackCount() : 0;
    for (int n = 1; n <= tracks; ++n)
        if (int found = drive.TrackFileSystems(n))
            return found;
    return 3;
}

int ReadToIso(cli::Context& context, discengine::IDeviceX& drive, const ReadArgs& r) {
    std::error_code ec;
    if (fs::exists(r.iso, ec) && !r.replace) {
        std::cerr << "platterly-cli: " << r.iso.string()
                  << " already exists (--replace writes over it)\n";
        return cli::kExitFailed;
    }
    auto volume = drive.Volume();
    jobs::DiscImageSettings settings;
    settings.label = r.label ? *r.label : volume->Label();
    settings.fileSystems = r.fileSystems ? *r.fileSystems : DiscFileSystems(drive);
    settings.autoVerify = r.verify;
    settings.mode2XA = r.mode2XA;
    auto image = context.engine->DataImage();
    jobs::PrepareImageFromDisc(*image, *volume, drive.DriveLetter(), settings);
    jobs::WriteWatcher watcher({"Reading"});
    context.engine->SetListener(&watcher);
    if (!image->WriteToImageFile(r.iso)) {
        context.engine->SetListener(nullptr);
        std::cerr << "platterly-cli: the image could not be started (is " << r.iso.string()
                  << " a folder?)\n";
        return cli::kExitFailed;
    }
    const int status = watcher.Wait([&] { image->Cancel(); });
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    if (const int exit = cli::ExitOfWrite(status); exit != 0)
        return exit;
    cli::PrintWrote(r.iso);
    return watcher.VerifyFailed() ? cli::kExitFailed : 0;
}

// The folder copy's terminal: a bar on a terminal, a line per ten percent otherwise.
class TerminalCopyHost final : public jobs::IFolderCopyHost {
public:
    explicit TerminalCopyHost(const jobs::InterruptWatch& watch)
        : watch_(watch), tty_(::isatty(STDOUT_FILENO)) {}
    void CopyingFile(const std::string&) override {}
    void SetProgress(int percent) override {
        if (tty_) {
            const int filled = percent * 40 / 100;
            std::printf("\rCopying  [%s%s] %3d%%", std::string(filled, '#').c_str(),
                        std::string(40 - filled, '-').c_str(), percent);
            std::fflush(stdout);
            barShown_ = true;
        } else if (percent / 10 != last_ / 10) {
            std::printf("Copying: %d%%\n", percent);
        }
        last_ = percent;
    }
    void Report(const jobs::CopyNote& note) override {
        EndLine();
        std::cerr << "platterly-cli: " << jobs::CopyNoteText(note).toStdString() << "\n";
    }
    bool Cancelled() override { return watch_.Interrupted(); }
    void EndLine() {
        if (barShown_)
            std::fputc('\n', stdout);
        barShown_ = false;
    }

private:
    const jobs::InterruptWatch& watch_;
    bool tty_;
    bool barShown_ = false;
    int last_ = -1;
};

int ReadToFolder(discengine::IDeviceX& drive, const ReadArgs& r) {
    std::error_code ec;
    fs::create_directories(r.folder, ec);
    if (!fs::is_directory(r.folder, ec)) {
        std::cerr << "platterly-cli: cannot create the folder " << r.folder.string() << "\n";
        return cli::kExitFailed;
    }
    auto volume = drive.Volume();
    jobs::InterruptWatch watch;
    TerminalCopyHost host(watch);
    const auto result = jobs::CopyDiscTree(*volume, drive.DriveLetter(), r.folder, r.replace, host);
    host.EndLine();
    if (result.cancelled) {
        std::cerr << "platterly-cli: copying cancelled after " << result.copied << " files\n";
        return cli::kExitCancelled;
    }
    const std::string problems = jobs::FolderCopyProblemsText(result).toStdString();
    if (!problems.empty()) {
        std::cerr << "platterly-cli: " << problems << "\n";
        return cli::kExitFailed;
    }
    std::cout << "Copied " << result.copied << " files to " << r.folder.string();
    if (result.skipped)
        std::cout << " (" << result.skipped << " existing files left as they were)";
    std::cout << ".\n";
    return 0;
}

int Read(cli::Context& context, const std::vector<std::string>& args) {
    auto parsed = Parse(args);
    if (!parsed) {
        std::cerr << "usage: platterly-cli " << kUsage << "\n";
        return cli::kExitUsage;
    }
    auto drive = cli::DriveArgument(context, parsed->drive);
    if (!drive)
        return cli::kExitFailed;
    std::signal(SIGXFSZ, SIG_IGN); // a file size limit is reported as an error, not a kill
    drive->Refresh(true);
    try {
        return parsed->iso.empty() ? ReadToFolder(*drive, *parsed)
                                   : ReadToIso(context, *drive, *parsed);
    } catch (const discengine::EngineError& e) {
        std::cerr << "platterly-cli: cannot read the disc in " << drive->DriveLetter() << ": "
                  << e.what() << "\n";
        return cli::kExitFailed;
    }
}

cli::Register reg({"read", kUsage, Read});

} // namespace
