// insert, eject and load: changing what is in a virtual drive.
#include "Commands.h"

#include "discengine/VirtualStore.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

namespace fs = std::filesystem;

namespace {

// The letter the store itself gives a virtual drive: physical drives come first in the engine
// and move its letters on. Nothing for a physical drive.
std::optional<char> StoreLetter(const discengine::VirtualStore& store,
                                const discengine::IDeviceX& device) {
    const std::string prefix = "virtual:";
    const std::string id = device.DeviceId();
    if (id.rfind(prefix, 0) != 0)
        return std::nullopt;
    auto folders = store.DriveFolders();
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (folders[i].filename().string() == id.substr(prefix.size()))
            return static_cast<char>('D' + i);
    return std::nullopt;
}

int Insert(cli::Context& context, std::vector<std::string> args) {
    const char* usage =
        "usage: platterly-cli insert X: (blank TYPE | IMAGE | sample-audio | sample-data)\n"
        "  TYPE: cd-r cd-rw dvd-r dvd-rw dvd+r dvd+rw dvd-ram dvd-r-dl dvd+r-dl bd-r bd-re "
        "hddvd-r hddvd-ram\n"
        "  IMAGE: FILE.cue, FILE.toc, FILE.iso or FILE.bin; a sheet reads only files in its own\n"
        "  folder unless --outside is given\n";
    // --outside: the user vouches for this sheet, so it may name files anywhere.
    auto outside = std::find(args.begin(), args.end(), "--outside");
    auto rule = outside == args.end() ? discengine::SheetRule::FolderOnly
                                      : discengine::SheetRule::AnyRegularFile;
    if (outside != args.end())
        args.erase(outside);
    if (args.size() < 2 || args.size() > 3 || (args[1] == "blank") != (args.size() == 3)) {
        std::cerr << usage;
        return cli::kExitUsage;
    }
    auto device = cli::DriveArgument(context, args[0]);
    if (!device)
        return cli::kExitUsage;
    discengine::VirtualStore store(context.engine->StorePath());
    const char letter = device->DriveLetter();
    auto storeLetter = StoreLetter(store, *device);
    if (!storeLetter) {
        std::cerr << "platterly-cli: " << letter << ": is a physical drive (" << device->DeviceId()
                  << "); put a disc into it by hand\n";
        return cli::kExitFailed;
    }
    if (args[1] == "blank") {
        auto type = discengine::MediaTypeFromName(args[2]);
        if (!type || !discengine::IsRecordableMedia(*type)) {
            std::cerr << "platterly-cli: \"" << args[2] << "\" is not a blank media type\n"
                      << usage;
            return cli::kExitUsage;
        }
        store.InsertBlank(*storeLetter, *type);
    } else if (args[1] == "sample-audio") {
        store.InsertSampleAudio(*storeLetter);
    } else if (args[1] == "sample-data") {
        store.InsertSampleData(*storeLetter);
    } else {
        store.InsertDiscImage(*storeLetter, fs::path(args[1]), rule);
    }
    device->Refresh(true);
    if (!device->MediumProblem().empty()) {
        std::cerr << "platterly-cli: the inserted medium cannot be read: "
                  << device->MediumProblem() << "\n";
        return cli::kExitFailed;
    }
    std::cout << letter << ": now holds "
              << discengine::MediaTypeName(device->DiscInfo()->MediaType()) << "\n";
    return 0;
}

int Tray(cli::Context& context, const std::vector<std::string>& args, bool open) {
    if (args.size() != 1) {
        std::cerr << "usage: platterly-cli " << (open ? "eject" : "load") << " X:\n";
        return cli::kExitUsage;
    }
    auto device = cli::DriveArgument(context, args[0]);
    if (!device)
        return cli::kExitUsage;
    if (!(open ? device->Eject() : device->CloseTray())) {
        std::cerr << "platterly-cli: the drive refused\n";
        return cli::kExitFailed;
    }
    std::cout << device->DriveLetter() << ": tray " << (open ? "open" : "closed") << "\n";
    return 0;
}

cli::Register insertCommand(
    {"insert",
     "insert X: (blank TYPE | FILE.cue | FILE.toc | FILE.iso | FILE.bin | sample-audio | "
     "sample-data) [--outside]",
     Insert});
cli::Register ejectCommand({"eject", "eject X:", [](cli::Context& c, const auto& a) {
                                return Tray(c, a, true);
                            }});
cli::Register loadCommand({"load", "load X:", [](cli::Context& c, const auto& a) {
                               return Tray(c, a, false);
                           }});

} // namespace
