#include "Commands.h"

#include "discengine/VirtualStore.h"

#include <iostream>

namespace {

int Drives(cli::Context& context, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::cerr << "usage: platterly-cli drives\n";
        return cli::kExitUsage;
    }
    auto& engine = *context.engine;
    for (int i = 0; i < engine.DeviceCount(); ++i) {
        auto device = engine.Device(i);
        auto info = device->DiscInfo();
        std::string medium;
        if (device->IsTrayOpen())
            medium = "tray open";
        else if (!device->MediumProblem().empty())
            medium = "unreadable medium: " + device->MediumProblem();
        else if (info->MediaType() == 0)
            medium = "no disc";
        else
            medium = discengine::MediaTypeName(info->MediaType()) +
                     (info->DiscStatus() == 0 ? " (blank)" : "");
        std::cout << device->Description() << "  [" << (device->IsWriter() ? "writer" : "reader")
                  << "]  " << medium << "\n";
    }
    if (engine.DeviceCount() == 0)
        std::cout << "No drives in " << engine.StorePath().string() << "\n";
    return 0;
}

cli::Register reg({"drives", "drives", Drives});

} // namespace
