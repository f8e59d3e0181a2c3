#include "update/TUpdater.h"

#include "update/Install.h"
#include "update/Unpack.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace update {
namespace {

namespace fs = std::filesystem;

std::string Trim(std::string s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    return s.substr(i);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The installation file is tiny and ours alone: read and rewritten whole.
std::vector<std::string> ReadLines(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (lines.size() < 1000 && std::getline(in, line))
        lines.push_back(line);
    return lines;
}

} // namespace

InstallationInfo ReadInstallationInfo(const std::string& appDir) {
    InstallationInfo info;
    bool inSection = false;
    for (const std::string& raw : ReadLines(fs::path(appDir) / InstallationFile)) {
        const std::string line = Trim(raw);
        if (!line.empty() && line.front() == '[') {
            inSection = Lower(line) == "[update]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos)
            continue;
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string value = Trim(line.substr(eq + 1));
        if (key == "url")
            info.url = value;
        else if (key == "version")
            info.version = value;
    }
    return info;
}

bool RecordInstalledVersion(const std::string& appDir, const std::string& version) {
    const fs::path file = fs::path(appDir) / InstallationFile;
    std::vector<std::string> lines = ReadLines(file);
    bool inSection = false, written = false, sectionSeen = false;
    std::vector<std::string> out;
    for (const std::string& raw : lines) {
        const std::string line = Trim(raw);
        if (!line.empty() && line.front() == '[') {
            if (inSection && !written) {
                out.push_back("Version=" + version);
                written = true;
            }
            inSection = Lower(line) == "[update]";
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && Lower(Trim(line.substr(0, line.find('=')))) == "version") {
            if (!written)
                out.push_back("Version=" + version);
            written = true;
            continue;
        }
        out.push_back(raw);
    }
    if (!sectionSeen)
        out.push_back("[Update]");
    if (!written)
        out.push_back("Version=" + version);
    const fs::path temp = file.string() + ".new";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& l : out)
            f << l << '\n';
        f.flush();
        if (!f)
            return false;
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    return !ec;
}

TUpdater::TUpdater(const PublicKey& trustedKey, std::string productName)
    : key_(trustedKey), product_(std::move(productName)) {}

TUpdater::~TUpdater() {
    StopUpdate();
    if (worker_.joinable())
        worker_.join();
}

void TUpdater::StopUpdate() {
    stop_ = true;
    ++job_;
}

void TUpdater::WaitUntilIdle() {
    if (worker_.joinable())
        worker_.join();
}

void TUpdater::CheckForUpdate() {
    Start(&TUpdater::Check);
}

void TUpdater::DownloadUpdate() {
    Start(&TUpdater::Download);
}

void TUpdater::Start(void (TUpdater::*work)(unsigned)) {
    // A stopped job ends at its next step; the new one starts after it.
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
    stop_ = false;
    const unsigned job = ++job_;
    appDir_ = AppDir;
    curVer_ = CurVer;
    url_ = UpdateUrl;
    worker_ = std::thread([this, work, job] { (this->*work)(job); });
}

void TUpdater::Emit(unsigned job, UpdateEvent event) {
    if (stop_.load() || job != job_.load())
        return;
    event.Job = job;
    if (OnUpdating)
        OnUpdating(event);
}

void TUpdater::Fail(unsigned job, const std::string& text, std::uint64_t code) {
    UpdateEvent e;
    e.State = StateError;
    e.Text = text;
    e.Value3 = code;
    Emit(job, std::move(e));
}

void TUpdater::Check(unsigned job) {
    UpdateEvent checking;
    checking.State = StateChecking;
    Emit(job, std::move(checking));
    if (url_.empty()) {
        Fail(job, "No update address is configured", ErrNoAddress);
        return;
    }
    // A power cut during an earlier install: the old version comes back first.
    if (!RecoverInterruptedInstall(appDir_)) {
        Fail(job, "An interrupted update could not be undone", ErrInstall);
        return;
    }
    std::string text;
    const TransferResult got = FetchToMemory(url_, MaxManifestBytes, text, stop_, Transfer);
    if (!got.ok) {
        if (!got.stopped)
            Fail(job, "The update information could not be read: " + got.error, ErrNetwork);
        return;
    }
    ManifestResult parsed = ParseManifest(text, key_);
    if (!parsed.manifest) {
        Fail(job, parsed.error, parsed.badSignature ? ErrSignature : ErrManifest);
        return;
    }
    const Manifest& m = *parsed.manifest;
    if (m.product != product_) {
        Fail(job, "The update information is for another product (" + m.product + ")", ErrManifest);
        return;
    }
    const auto order = CompareVersions(m.version, curVer_.empty() ? "0" : curVer_);
    if (!order) {
        Fail(job, "The installed version is not a version number: " + curVer_, ErrManifest);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        found_.reset();
        if (*order > 0 && m.reinstall.empty()) {
            found_ = m;
            foundFrom_ = url_;
        }
    }
    if (*order > 0 && !m.reinstall.empty()) {
        UpdateEvent e;
        e.State = StateReinstall;
        e.Text = m.reinstall;
        Emit(job, std::move(e));
        return;
    }
    UpdateEvent e;
    e.State = StateChecked;
    e.Flag = *order > 0;
    e.Text = *order > 0 ? m.version : std::string();
    Emit(job, std::move(e));
}

void TUpdater::Download(unsigned job) {
    std::optional<Manifest> m;
    std::string from;
    {
        std::lock_guard lock(mutex_);
        m = found_;
        from = foundFrom_;
    }
    if (!m) {
        Fail(job, "No update was found to download", ErrNothingFound);
        return;
    }
    const auto address = ResolveAddress(from, m->package);
    if (!address) {
        Fail(job, "The package address is not valid: " + m->package, ErrManifest);
        return;
    }
    const fs::path work = WorkFolder(appDir_);
    std::error_code ec;
    fs::remove_all(work, ec);
    if (!fs::create_directories(work, ec) || ec) {
        Fail(job, "Cannot create " + work.string(), ErrInstall);
        return;
    }
    struct Cleanup {
        fs::path dir;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    } cleanup{work};

    const fs::path package = work / "package";
    Digest digest{};
    const TransferResult got = FetchToFile(
        *address, package, m->size, digest,
        [&](const TransferProgress& p) {
            UpdateEvent e;
            e.State = StateDownloading;
            e.Value1 = p.received;
            e.Value2 = p.total;
            e.Value3 = p.bytesPerSecond;
            Emit(job, std::move(e));
        },
        stop_, Transfer);
    if (!got.ok) {
        if (!got.stopped)
            Fail(job, "The download failed: " + got.error, ErrNetwork);
        return;
    }
    if (digest != m->sha256) {
        Fail(job, "The downloaded package does not match its signed checksum", ErrPackage);
        return;
    }
    const UnpackResult unpacked = UnpackPackage(
        package, work / "staging",
        [&](const std::string& item, std::uint64_t done, std::uint64_t total) {
            UpdateEvent e;
            e.State = StateUnpacking;
            e.Text = item;
            e.Value1 = done;
            e.Value2 = total;
            Emit(job, std::move(e));
        },
        stop_);
    if (!unpacked.ok) {
        if (!unpacked.stopped)
            Fail(job, "The package cannot be unpacked: " + unpacked.error, ErrUnpack);
        return;
    }
    if (stop_.load())
        return;
    // From here on the install runs to its end (or its rollback): a stop no longer cuts it.
    const InstallResult installed = InstallStaged(work / "staging", appDir_);
    if (!installed.ok) {
        Fail(job, "The update could not be installed: " + installed.error, ErrInstall);
        return;
    }
    RecordInstalledVersion(appDir_, m->version);
    {
        std::lock_guard lock(mutex_);
        found_.reset();
    }
    UpdateEvent done;
    done.State = StateInstalled;
    Emit(job, std::move(done));
}

} // namespace update
