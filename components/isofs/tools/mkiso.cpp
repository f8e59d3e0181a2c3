// isofs-mkiso: builds an image from folders and files, for measuring the writer.
#include "isofs/Errors.h"
#include "isofs/ImageWriter.h"
#include "isofs/NativeTree.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    isofs::ImageOptions options;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--fs") && i + 1 < argc)
            options.fileSystems = std::stoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--label") && i + 1 < argc)
            options.volumeLabel = argv[++i];
        else if (!std::strcmp(argv[i], "--file-date"))
            options.useFileDate = true;
        else
            args.emplace_back(argv[i]);
    }
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: isofs-mkiso [--fs N] [--label L] [--file-date] SOURCE... OUT\n");
        return 2;
    }
    bool leftOut = false;
    try {
        isofs::FileLayout layout;
        isofs::LayoutTreeTarget target(layout, [](const std::string&, const std::string& why) {
            std::fprintf(stderr, "isofs-mkiso: left out: %s\n", why.c_str());
        });
        for (std::size_t i = 0; i + 1 < args.size(); ++i) {
            fs::path src(args[i]);
            if (fs::is_directory(src))
                leftOut = isofs::addNativeTree(src, "", target) || leftOut;
            else
                layout.addItem(src.string(), "\\" + isofs::imageNameOf(src.filename().string()));
        }
        auto plan = isofs::ImagePlan::build(layout, options);
        auto result = isofs::writeImageFile(plan, layout.opener(), args.back());
        if (result.status != isofs::WriteResult::Status::Completed) {
            std::fprintf(stderr, "isofs-mkiso: %s\n", result.message.c_str());
            return 1;
        }
        for (const auto& w : result.warnings)
            std::fprintf(stderr, "isofs-mkiso: warning: %s\n", w.message.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "isofs-mkiso: %s\n", e.what());
        return 1;
    }
    return leftOut ? 1 : 0; // the image is written, but not with everything asked for
}
