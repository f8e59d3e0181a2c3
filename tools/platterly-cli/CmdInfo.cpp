#include "Commands.h"

#include "engine/InfoCommand.h"

#include <iostream>

namespace {

int Info(cli::Context& context, const std::vector<std::string>& args) {
    return RunInfoCommand(*context.engine, args, std::cout, std::cerr);
}

cli::Register reg({"info", "info X:", Info});

} // namespace
