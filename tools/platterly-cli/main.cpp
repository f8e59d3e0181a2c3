#include "Commands.h"

#include "core/globals.h"
#include "discengine/Disc.h"

#include <cctype>
#include <filesystem>
#include <iostream>

namespace cli {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

void PrintLeftOut(const std::string&, const std::string& message) {
    std::cerr << "platterly-cli: left out: " << message << "\n";
}

std::shared_ptr<discengine::IDeviceX> DriveArgument(Context& context, const std::string& text) {
    bool valid = (text.size() == 1 || (text.size() == 2 && text[1] == ':')) &&
                 std::isalpha(static_cast<unsigned char>(text[0]));
    auto device = valid ? context.engine->FindDevice(text[0]) : nullptr;
    if (!device)
        std::cerr << "platterly-cli: no drive \"" << text << "\" (see platterly-cli drives)\n";
    return device;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : globals::AddTrailingBackslash(exe.parent_path().string());
}

int ExitOfWrite(int writeStatus) {
    if (writeStatus == discengine::kWriteCompleted)
        return 0;
    return writeStatus == discengine::kWriteCancelled ? kExitCancelled : kExitFailed;
}

void PrintWrote(const std::filesystem::path& image) {
    // The file as written, not the layout planned again (which costs as much as planning it).
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(image, ec);
    std::cout << "Wrote " << image.string();
    if (!ec)
        std::cout << " (" << bytes / 2048 << " blocks)";
    std::cout << ".\n";
}

} // namespace cli

static void Usage(std::ostream& out) {
    out << "usage: platterly-cli COMMAND [ARGS]\n";
    for (const auto& command : cli::Registry())
        out << "  platterly-cli " << command.usage << "\n";
    out << "The drive store is $PLATTERLY_DRIVES or the program folder's drives/.\n";
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        Usage(args.empty() ? std::cerr : std::cout);
        return args.empty() ? cli::kExitUsage : 0;
    }
    for (const auto& command : cli::Registry()) {
        if (command.name != args[0])
            continue;
        try {
            cli::Context context{discengine::CreateEngine()};
            if (!context.engine->Initialize(0)) {
                std::cerr << "platterly-cli: cannot initialize the engine: "
                          << context.engine->LastError() << "\n";
                return cli::kExitFailed;
            }
            return command.run(context, {args.begin() + 1, args.end()});
        } catch (const std::exception& error) {
            std::cerr << "platterly-cli: " << error.what() << "\n";
            return cli::kExitFailed;
        }
    }
    std::cerr << "platterly-cli: unknown command \"" << args[0] << "\"\n";
    Usage(std::cerr);
    return cli::kExitUsage;
}
