// `play` in platterly-cli: hands the command to the program that holds the player, so that no
// other command loads the audio output libraries at its start.
#include "Commands.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace {

int LaunchPlay(cli::Context&, const std::vector<std::string>& args) {
    const std::string program = cli::ExecutableFolder() + cli::kPlayProgram;
    std::vector<std::string> words{"platterly-cli", "play"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::cout.flush();
    ::execv(program.c_str(), argv.data());
    std::cerr << "platterly-cli: cannot start " << program << ": " << std::strerror(errno) << "\n";
    return cli::kExitFailed;
}

cli::Register reg({"play", cli::kPlayUsage, LaunchPlay});

} // namespace
