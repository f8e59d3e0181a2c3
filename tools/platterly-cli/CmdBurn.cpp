// The burn command: dispatches on what is burned.
#include "BurnAudio.h"
#include "BurnData.h"
#include "Commands.h"

#include <algorithm>
#include <iostream>

namespace {

int Burn(cli::Context& context, const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::cerr << "usage: platterly-cli burn X: (--image FILE.iso | SOURCE...) [--speed KBPS] "
                     "[--test] [--finalize]\n"
                     "       platterly-cli burn X: --audio [--dao] [--test] [--speed KBs] "
                     "FILE...\n";
        return cli::kExitUsage;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    auto audio = std::find(rest.begin(), rest.end(), "--audio");
    if (audio != rest.end()) {
        rest.erase(audio);
        return cli::BurnAudio(context, args[0], rest);
    }
    return cli::BurnData(context, args[0], rest);
}

cli::Register reg({"burn",
                   "burn X: (--image FILE.iso | SOURCE...) [--speed KBPS] [--test] [--finalize]\n"
                   "  platterly-cli burn X: --audio [--dao] [--test] [--speed KBs] FILE...",
                   Burn});

} // namespace
