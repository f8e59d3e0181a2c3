// platterly-cli copy: the Copy CD page's copy job from the terminal, on the same job code.
#include "Commands.h"

#include "core/globals.h"
#include "engine/DiscReport.h"
#include "jobs/DiscCopy.h"
#include "jobs/Interrupt.h"
#include "jobs/TCDGrabber.h"
#include "jobs/WriteWatcher.h"

#include "discengine/Device.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

constexpr const char* kUsage = "copy SRC: DST: [--on-the-fly] [--speed KBPS]";

constexpr const char* kHelp =
    "Copies the disc in SRC onto the blank disc in DST: an audio CD track by track (with its\n"
    "CD-Text), any other disc file by file through a temporary image, or straight from SRC to\n"
    "DST with --on-the-fly (data discs, two drives). SRC and DST must be two drives: the\n"
    "terminal cannot ask for the discs to be swapped (use the Copy CD page for that).\n"
    "--speed KBPS is the write speed (default: the destination's fastest).\n";

struct CopyArgs {
    std::string source, destination;
    bool onTheFly = false;
    std::int32_t speed = 0;
};

bool ParseSpeed(const std::string& text, std::int32_t& out) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = std::stoi(text);
    return out > 0;
}

std::optional<CopyArgs> Parse(const std::vector<std::string>& args) {
    CopyArgs r;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--on-the-fly") {
            r.onTheFly = true;
        } else if (a == "--speed" && i + 1 < args.size()) {
            if (!ParseSpeed(args[++i], r.speed)) {
                std::cerr << "platterly-cli: --speed takes a speed in KB/s\n";
                return std::nullopt;
            }
        } else if (!a.empty() && a[0] != '-' && r.source.empty()) {
            r.source = a;
        } else if (!a.empty() && a[0] != '-' && r.destination.empty()) {
            r.destination = a;
        } else {
            std::cerr << "platterly-cli: unexpected argument " << a << "\n";
            return std::nullopt;
        }
    }
    if (r.destination.empty())
        return std::nullopt;
    return r;
}

// The job's front end on a terminal: statuses as lines, the rip's bar, boxes on stderr, and
// Ctrl+C as the Cancel button.
class TerminalCopyHost final : public jobs::ICopyHost {
public:
    explicit TerminalCopyHost(const jobs::InterruptWatch& watch)
        : watch_(watch), tty_(::isatty(STDOUT_FILENO)) {}
    void SetJob(jobs::DiscCopy* job) { job_ = job; }
    bool Cancelled() const { return cancelled_; }

    void ShowStatus(const QString& text) override {
        EndLine();
        std::printf("%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    }
    void SetProgress(int percent) override {
        if (tty_) {
            const int filled = percent * 40 / 100;
            std::printf("\rReading  [%s%s] %3d%%", std::string(filled, '#').c_str(),
                        std::string(40 - filled, '-').c_str(), percent);
            std::fflush(stdout);
            barShown_ = true;
        } else if (percent / 10 != last_ / 10) {
            std::printf("Reading: %d%%\n", percent);
        }
        last_ = percent;
    }
    void ProcessEvents() override {
        if (!cancelled_ && watch_.Interrupted() && job_) {
            cancelled_ = true;
            job_->Cancel();
        }
    }
    void ErrorBox(const QString& text) override {
        EndLine();
        std::cerr << "platterly-cli: " << text.toStdString() << "\n";
    }
    void HintBox(const QString& text) override {
        EndLine();
        std::cout << text.toStdString() << "\n";
    }
    // Nobody can change the disc in between: the question is answered with Cancel.
    bool AskOkCancel(const QString& text) override {
        ErrorBox(text);
        return false;
    }
    void SetIdle(bool) override {}
    void ShowProgress(bool) override { EndLine(); }
    double UsedMB(discengine::IDeviceX& drive) override { return DiscUsedMB(drive); }
    double FreeMB(discengine::IDeviceX& drive) override { return DiscFreeMB(drive); }

private:
    void EndLine() {
        if (barShown_)
            std::fputc('\n', stdout);
        barShown_ = false;
    }

    const jobs::InterruptWatch& watch_;
    bool tty_;
    bool barShown_ = false;
    int last_ = -1;
    bool cancelled_ = false;
    jobs::DiscCopy* job_ = nullptr;
};

// Waits for the write the job started; 9, 10 or 11.
int WaitForWrite(cli::Context& context, jobs::DiscCopy& job, const jobs::InterruptWatch& watch,
                 jobs::WriteWatcher& watcher) {
    const int status = watcher.Wait([&] { job.Cancel(); }, &watch);
    context.engine->WaitForJobs();
    return status;
}

jobs::WriteWatchStyle StyleFor(jobs::CopyKind kind, bool imagePhase) {
    jobs::WriteWatchStyle style;
    if (kind == jobs::CopyKind::Audio) {
        style.perTrack = true;
        style.ignoreFileWarnings = true;
        style.cancelled = "the copy on the destination is incomplete";
    } else if (imagePhase) {
        style.verb = "Reading";
    }
    return style;
}

int RunCopy(cli::Context& context, const CopyArgs& r) {
    auto source = cli::DriveArgument(context, r.source);
    auto destination = source ? cli::DriveArgument(context, r.destination) : nullptr;
    if (!source || !destination)
        return cli::kExitUsage;
    if (!destination->IsWriter()) {
        std::cerr << "platterly-cli: " << destination->Description() << " cannot write discs\n";
        return cli::kExitFailed;
    }
    if (source->Description() == destination->Description()) {
        std::cerr << "platterly-cli: " << r.source << " and " << r.destination
                  << " are the same drive: the terminal cannot ask for the discs to be swapped; "
                     "copy between two drives, or with the Copy CD page\n";
        return cli::kExitFailed;
    }
    if (globals::ProgramDir.empty())
        globals::ProgramDir = cli::ExecutableFolder();
    jobs::InterruptWatch watch;
    TerminalCopyHost host(watch);
    TCDGrabber grabber;
    jobs::DiscCopy job(host, grabber);
    host.SetJob(&job);
    job.SetDrives(source, destination);
    job.SetImages(context.engine->AudioImage(), context.engine->DataImage());
    source->CloseTray();
    destination->CloseTray();
    source->Refresh(true);
    destination->Refresh(true);
    if (!job.CheckSource())
        return cli::kExitFailed;
    const int discKind = ClassifyDisc(*source);
    if (discKind == DiscKindAudioCD && (!grabber.Loaded() || grabber.Handle() == 0)) {
        std::cerr << "platterly-cli: the CD grabbing library " << cdgrab::DefaultLibraryPath()
                  << " cannot be loaded\n";
        return cli::kExitFailed;
    }
    jobs::CopySettings settings;
    settings.writeSpeed = r.speed ? r.speed : destination->MaxWriteSpeed();
    settings.tempDir = globals::TempDir;
    if (r.onTheFly && discKind == DiscKindAudioCD)
        std::cout << "An audio CD is copied through its tracks; --on-the-fly is ignored.\n";

    auto watcher = std::make_unique<jobs::WriteWatcher>(StyleFor(jobs::CopyKind::None, true));
    context.engine->SetListener(watcher.get());
    bool started = false;
    if (discKind == DiscKindAudioCD) {
        watcher = std::make_unique<jobs::WriteWatcher>(StyleFor(jobs::CopyKind::Audio, false));
        context.engine->SetListener(watcher.get());
        started = job.StartAudioCopy(settings);
    } else if (r.onTheFly) {
        watcher = std::make_unique<jobs::WriteWatcher>(StyleFor(jobs::CopyKind::OnTheFly, false));
        context.engine->SetListener(watcher.get());
        started = job.StartOnTheFlyCopy(settings);
    } else {
        started = job.StartImageCopy(settings);
    }
    if (!started) {
        context.engine->SetListener(nullptr);
        return host.Cancelled() || watch.Interrupted() ? cli::kExitCancelled : cli::kExitFailed;
    }
    int status = WaitForWrite(context, job, watch, *watcher);
    if (status == discengine::kWriteCompleted &&
        job.WriteCompleted() == jobs::CopyCompletion::SecondPhase) {
        // The image is complete: now onto the destination, listened to afresh.
        watcher = std::make_unique<jobs::WriteWatcher>(StyleFor(jobs::CopyKind::Image, false));
        context.engine->SetListener(watcher.get());
        if (!job.ContinueImageCopy()) {
            context.engine->SetListener(nullptr);
            return cli::kExitFailed;
        }
        status = WaitForWrite(context, job, watch, *watcher);
        if (status == discengine::kWriteCompleted)
            job.WriteCompleted();
    }
    context.engine->SetListener(nullptr);
    if (status != discengine::kWriteCompleted) {
        job.WriteEnded();
        return status == discengine::kWriteCancelled ? cli::kExitCancelled : cli::kExitFailed;
    }
    std::cout << "Copied " << source->DriveLetter() << ": to " << destination->DriveLetter()
              << ":.\n";
    return watcher->VerifyFailed() ? cli::kExitFailed : 0;
}

int Copy(cli::Context& context, const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::cout << "usage: platterly-cli " << kUsage << "\n" << kHelp;
        return 0;
    }
    const auto r = Parse(args);
    if (!r) {
        std::cerr << "usage: platterly-cli " << kUsage << "\n" << kHelp;
        return cli::kExitUsage;
    }
    try {
        return RunCopy(context, *r);
    } catch (const std::exception& e) {
        // A drive that failed under the copy (a disc removed, a store made unreadable).
        std::cerr << "platterly-cli: " << e.what() << "\n";
        return cli::kExitFailed;
    }
}

cli::Register copyCommand({"copy", kUsage, Copy});

} // namespace
