// mkupdate: makes the release key pair, and signed update packages from a bundle folder.
#include "update/Crypto.h"
#include "update/Manifest.h"
#include "update/Package.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::fputs(
        "usage:\n"
        "  mkupdate keygen SECRET-FILE PUBLIC-FILE\n"
        "  mkupdate pack BUNDLE OUT-DIR --key SECRET-FILE --version V [--product NAME]\n"
        "                [--format tar.xz|zip] [--package-url URL]\n"
        "  mkupdate reinstall OUT-DIR --key SECRET-FILE --version V --page URL [--product NAME]\n"
        "pack writes OUT-DIR/<product>-<version>.<format> and OUT-DIR/update.manifest.\n",
        stderr);
    return 2;
}

bool WriteText(const fs::path& file, const std::string& text, mode_t mode) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return out.good() && ::chmod(file.c_str(), mode) == 0;
}

int Keygen(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return Usage();
    const auto secret = update::GenerateSecretKey();
    const auto pub = secret ? update::PublicKeyOf(*secret) : std::nullopt;
    if (!pub) {
        std::fputs("mkupdate: cannot make a key\n", stderr);
        return 1;
    }
    if (fs::exists(args[0])) {
        std::fprintf(stderr, "mkupdate: %s exists; a secret key is never overwritten\n",
                     args[0].c_str());
        return 1;
    }
    if (!WriteText(args[0], update::ToHex(*secret) + "\n", 0600) ||
        !WriteText(args[1], update::ToHex(*pub) + "\n", 0644)) {
        std::fputs("mkupdate: cannot write the key files\n", stderr);
        return 1;
    }
    return 0;
}

int Sign(const fs::path& outDir, const std::map<std::string, std::string>& opt,
         update::Manifest manifest) {
    const auto key = update::ReadSecretKeyFile(opt.at("--key"));
    if (!key) {
        std::fputs("mkupdate: the secret key file is not readable\n", stderr);
        return 1;
    }
    const auto text = update::SignManifest(manifest, *key);
    if (!text || !WriteText(outDir / "update.manifest", *text, 0644)) {
        std::fputs("mkupdate: cannot write the manifest\n", stderr);
        return 1;
    }
    std::printf("%s", text->c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    std::vector<std::string> positional;
    std::map<std::string, std::string> opt{{"--product", "Platterly"}, {"--format", "tar.xz"}};
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) == 0) {
            if (i + 1 >= argc)
                return Usage();
            opt[a] = argv[++i];
        } else {
            positional.push_back(a);
        }
    }
    if (command == "keygen")
        return Keygen(positional);

    if (!opt.count("--key") || !opt.count("--version"))
        return Usage();
    update::Manifest m;
    m.product = opt["--product"];
    m.version = opt["--version"];
    if (!update::CompareVersions(m.version, "0")) {
        std::fputs("mkupdate: the version must be numbers with dots (1.2.3)\n", stderr);
        return 2;
    }
    if (command == "reinstall") {
        if (positional.size() != 1 || !opt.count("--page"))
            return Usage();
        m.reinstall = opt["--page"];
        return Sign(positional[0], opt, m);
    }
    if (command != "pack" || positional.size() != 2)
        return Usage();
    const fs::path bundle = positional[0];
    const fs::path outDir = positional[1];
    const bool zip = opt["--format"] == "zip";
    if (!zip && opt["--format"] != "tar.xz")
        return Usage();
    const std::string name = m.product + "-" + m.version + (zip ? ".zip" : ".tar.xz");
    std::error_code ec;
    fs::create_directories(outDir, ec);
    const std::string error = update::BuildPackage(
        bundle, outDir / name, zip ? update::PackageFormat::Zip : update::PackageFormat::TarXz);
    if (!error.empty()) {
        std::fprintf(stderr, "mkupdate: %s\n", error.c_str());
        return 1;
    }
    const auto digest = update::Sha256OfFile(outDir / name);
    m.size = fs::file_size(outDir / name, ec);
    if (!digest || ec) {
        std::fputs("mkupdate: cannot read the package back\n", stderr);
        return 1;
    }
    m.sha256 = *digest;
    m.package = opt.count("--package-url") ? opt["--package-url"] : name;
    return Sign(outDir, opt, m);
}
