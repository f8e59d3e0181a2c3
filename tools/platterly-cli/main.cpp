#include "Commands.h"

#include <iostream>

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
