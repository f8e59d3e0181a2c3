#pragma once

#include "discengine/Engine.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One command of platterly-cli: its name, a usage line and the function that runs it.
// Commands return the process exit status; they print their own messages.
namespace cli {

struct Context {
    std::unique_ptr<discengine::IDVDEngineX> engine;
};

struct Command {
    std::string name;
    std::string usage;
    std::function<int(Context&, const std::vector<std::string>& args)> run;
};

// Each command file adds its commands here.
std::vector<Command>& Registry();
struct Register {
    explicit Register(Command command) { Registry().push_back(std::move(command)); }
};

// Names on stderr an entry a folder import left out, with the reason.
void PrintLeftOut(const std::string& nativePath, const std::string& message);

// "D:" or "d" -> the drive; prints an error and returns null for anything else.
std::shared_ptr<discengine::IDeviceX> DriveArgument(Context& context, const std::string& text);

// The folder of this executable with a trailing slash (the bundle's program folder); empty when
// it cannot be found.
std::string ExecutableFolder();

// `play` runs in its own program beside this one (kPlayProgram), the only one that loads the
// audio output libraries; this one hands the command over to it.
inline constexpr const char* kPlayUsage = "play X: TRACK [--from SECONDS]";
inline constexpr const char* kPlayProgram = "platterly-cli-play";

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 130; // as a shell reports a command ended by Ctrl+C

// The exit status of a command whose engine write ended with this write status: 0 when it
// completed, kExitCancelled when cancelled, kExitFailed otherwise.
int ExitOfWrite(int writeStatus);

// "Wrote FILE (N blocks)." for an image file a command has just written.
void PrintWrote(const std::filesystem::path& image);

} // namespace cli
