#include "Commands.h"
#include "jobs/DataLayout.h"
#include "jobs/WriteWatcher.h"

#include "discengine/Disc.h"

#include <csignal>
#include <filesystem>
#include <iostream>

namespace {

const char* const kUsage =
    "mkiso [--fs N] [--label TEXT] [--file-date] [--verify] SOURCE... OUTPUT.iso";

int Mkiso(cli::Context& context, const std::vector<std::string>& args) {
    int fileSystems = 3;
    std::string label = "New Disc";
    bool fileDate = false, verify = false;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--fs" || a == "--label") && i + 1 < args.size()) {
            if (a == "--label") {
                label = args[++i];
                continue;
            }
            const std::string& v = args[++i];
            if (v != "1" && v != "3" && v != "4" && v != "5" && v != "7") {
                std::cerr << "platterly-cli: --fs takes 1 (ISO9660), 3 (+Joliet), 4 (UDF), "
                             "5 (ISO9660+UDF) or 7 (all three)\n";
                return cli::kExitUsage;
            }
            fileSystems = std::stoi(v);
        } else if (a == "--file-date") {
            fileDate = true;
        } else if (a == "--verify") {
            verify = true;
        } else if (a.size() > 1 && a[0] == '-' && a.find(':') == std::string::npos) {
            std::cerr << "platterly-cli: unknown option " << a << "\nusage: platterly-cli "
                      << kUsage << "\n";
            return cli::kExitUsage;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() < 2) {
        std::cerr << "usage: platterly-cli " << kUsage << "\n";
        return cli::kExitUsage;
    }
    std::signal(SIGXFSZ, SIG_IGN); // a file size limit is reported as an error, not a kill
    auto image = context.engine->DataImage();
    auto layout = image->Layout();
    layout->Clear();
    bool leftOut = false;
    for (std::size_t i = 0; i + 1 < rest.size(); ++i)
        leftOut =
            jobs::AddSourceToImage(*context.engine, *layout, rest[i], cli::PrintLeftOut) || leftOut;
    image->Volume()->SetLabel(label);
    image->SetFileSystems(fileSystems);
    image->SetUseFileDate(fileDate);
    image->SetAutoVerify(verify);
    image->SetWriteKind(1);
    std::filesystem::path output = rest.back();
    jobs::WriteWatcher watcher({"Writing"});
    context.engine->SetListener(&watcher);
    if (!image->WriteToImageFile(output)) {
        context.engine->SetListener(nullptr);
        std::cerr << "platterly-cli: the image could not be started (is " << output.string()
                  << " a folder, or a file without a source in the layout?)\n";
        return cli::kExitFailed;
    }
    int status = watcher.Wait([&] { image->Cancel(); });
    context.engine->WaitForJobs();
    context.engine->SetListener(nullptr);
    if (const int exit = cli::ExitOfWrite(status); exit != 0)
        return exit;
    cli::PrintWrote(output);
    if (leftOut)
        std::cerr << "platterly-cli: the image lacks the entries left out above\n";
    return watcher.VerifyFailed() || leftOut ? cli::kExitFailed : 0;
}

cli::Register reg({"mkiso", kUsage, Mkiso});

} // namespace
