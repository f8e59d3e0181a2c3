// What the commands share: the registry, drive arguments, exit statuses and messages.
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
