#include "DataFixture.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace discengine;

namespace datatest {

void Recorder::Add(Event e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
    changed_.notify_all();
}

void Recorder::OnWriteStatus(std::int32_t, std::int32_t progress, std::int32_t, std::int32_t,
                             std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t status, bool& cancel) {
    if (cancelWhen && cancelWhen(status, progress))
        cancel = true;
    Event e{"status", status, progress};
    std::lock_guard lock(mutex_);
    events_.push_back(e);
    if (status >= kWriteCompleted && status <= kWriteError)
        final_ = status;
    changed_.notify_all();
}
void Recorder::OnWriteError(std::int32_t, std::shared_ptr<IWriteErrorX> error) {
    Event e{"error"};
    e.error = error;
    e.a = error->Kind();
    Add(e);
}
void Recorder::OnItemAdded(std::int32_t, std::shared_ptr<IDataItemX> item) {
    Add(Event{"added", 0, 0, 0, 0, item->ImagePath()});
}
void Recorder::OnTrackFileWarning(std::int32_t, std::shared_ptr<IFileErrorX> error, std::int32_t,
                                  bool& ignore) {
    ignore = ignoreWarnings;
    Add(Event{"warning", 0, 0, error->ErrorCode(), 0, error->Path()});
}
void Recorder::OnTrackFileStatus(std::int32_t, std::int32_t, std::int32_t count, std::int32_t index,
                                 const std::string& name) {
    Add(Event{"filestatus", 0, 0, index, count, name});
}
void Recorder::OnFileVerifyStart(std::int32_t, std::int32_t count) {
    if (onVerifyStart)
        onVerifyStart();
    Add(Event{"verifystart", 0, 0, count});
}
void Recorder::OnFileVerify(std::int32_t, std::shared_ptr<IDataItemX> item, double, double,
                            std::int32_t status, std::int32_t index, std::int32_t count, bool&) {
    Add(Event{"verify", status, 0, index, count, item->ImagePath()});
}
void Recorder::OnFileVerifyComplete(std::int32_t, std::int32_t count, std::int32_t matched) {
    Add(Event{"verifycomplete", 0, 0, count, matched});
}

int Recorder::WaitEnd(std::chrono::seconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return final_ >= 0; })) {
        ADD_FAILURE() << "The write did not end within " << timeout.count() << " s";
        return -1;
    }
    return final_;
}
std::vector<Event> Recorder::Events() {
    std::lock_guard lock(mutex_);
    return events_;
}
std::vector<int> Recorder::Statuses() {
    std::vector<int> out;
    for (const auto& e : Events())
        if (e.kind == "status" && (out.empty() || out.back() != e.status))
            out.push_back(e.status);
    return out;
}

Fixture::Fixture() {
    engine = CreateEngine({dir / "drives", true});
    EXPECT_TRUE(engine->Initialize(0)) << engine->LastError();
    engine->SetListener(&recorder);
    image = engine->DataImage();
}
Fixture::~Fixture() {
    WaitForJobsOrDie(*engine);
    engine->SetListener(nullptr);
}

void WaitForJobsOrDie(IDVDEngineX& engine, std::chrono::seconds timeout) {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread waiter([&] {
        engine.WaitForJobs();
        std::lock_guard lock(mutex);
        finished = true;
        done.notify_all();
    });
    std::unique_lock lock(mutex);
    if (!done.wait_for(lock, timeout, [&] { return finished; })) {
        // A job that never ends would hang the whole test binary: fail loudly instead.
        std::fprintf(stderr, "FATAL: an engine job did not end within %lld s\n",
                     static_cast<long long>(timeout.count()));
        std::_Exit(3);
    }
    lock.unlock();
    waiter.join();
}

int RunInChild(const std::function<int()>& body, std::chrono::seconds timeout) {
    std::fflush(nullptr);
    pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int result = 98;
        try {
            result = body();
        } catch (...) {
            result = 99;
        }
        std::fflush(nullptr);
        ::_exit(result);
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Pattern(std::size_t bytes, int seed) {
    std::string s(bytes, '\0');
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed) * 7919u;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

bool PatchUdfFileEntry(const fs::path& image, std::uint64_t size,
                       const std::function<void(unsigned char* entry)>& patch) {
    std::string bytes = testsupport::readFile(image);
    for (std::size_t at = 0; at + 2048 <= bytes.size(); at += 2048) {
        auto* p = reinterpret_cast<unsigned char*>(bytes.data() + at);
        std::uint64_t length = 0;
        for (int i = 7; i >= 0; --i)
            length = length << 8 | p[56 + i];
        if (p[0] == 0x05 && p[1] == 0x01 && length == size) { // tag 261: a file entry
            patch(p);
            testsupport::writeFile(image, bytes);
            return true;
        }
    }
    return false;
}

int PatchIsoRootRecords(const fs::path& image,
                        const std::function<bool(char* record, const std::string& name)>& patch) {
    std::string bytes = testsupport::readFile(image);
    auto u8 = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    std::size_t at = 16 * 2048 + 156 + 2; // the root record's extent in the primary descriptor
    std::size_t root = (std::size_t{u8(at)} | std::size_t{u8(at + 1)} << 8 |
                        std::size_t{u8(at + 2)} << 16 | std::size_t{u8(at + 3)} << 24) *
                       2048;
    int patched = 0;
    for (at = root; at < root + 2048 && bytes[at] != 0; at += u8(at))
        if (patch(&bytes[at], bytes.substr(at + 33, u8(at + 32))))
            ++patched;
    testsupport::writeFile(image, bytes);
    return patched;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

bool SetUdfFileLength(const fs::path& image, std::uint64_t size, std::uint64_t claimed) {
    return PatchUdfFileEntry(image, size, [&](unsigned char* p) {
        for (int i = 0; i < 8; ++i)
            p[56 + i] = static_cast<unsigned char>(claimed >> (8 * i));
    });
}

std::vector<std::pair<std::string, std::string>> Fixture::MakeTree() {
    fs::path src = dir / "src";
    std::vector<std::pair<std::string, std::string>> files = {
        {"readme.txt", "hello disc\n"},
        {"docs/Report 2024 final version.pdf", Pattern(70000, 1)},
        {"docs/\xC3\xA9t\xC3\xA9 caf\xC3\xA9.txt", Pattern(3000, 2)},
        {"docs/deep/a/b/c/d/e/f/g/h/i/leaf.bin", Pattern(5000, 3)},
        {"big.bin", Pattern(3 * 1024 * 1024 + 17, 4)},
        {"empty.dat", ""},
    };
    for (const auto& [path, bytes] : files) {
        fs::create_directories((src / path).parent_path());
        testsupport::writeFile(src / path, bytes);
    }
    fs::create_directories(src / "empty folder");
    AddTree(src, "");
    std::vector<std::pair<std::string, std::string>> out;
    for (auto [path, bytes] : files) {
        std::string image = "\\" + path;
        for (auto& c : image)
            if (c == '/')
                c = '\\';
        out.emplace_back(image, bytes);
    }
    return out;
}

std::shared_ptr<IDiscVolume> Fixture::InsertDisc(const fs::path& iso, char letter) {
    Store().InsertImage(letter, iso);
    auto device = engine->FindDevice(letter);
    device->Refresh(true);
    return device->Volume();
}

void Fixture::AddTree(const fs::path& folder, const std::string& at) {
    auto layout = image->Layout();
    std::vector<fs::directory_entry> entries(fs::directory_iterator(folder), {});
    std::sort(entries.begin(), entries.end());
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            layout->AddItem(name, at + "\\" + name);
            AddTree(entry.path(), at + "\\" + name);
        } else {
            layout->AddItem(entry.path().string(), at + "\\" + name);
        }
    }
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

CliFixture::CliFixture() {
    fs::create_directories(dir / "tmp");
    std::string out;
    EXPECT_EQ(Cli("drives", &out), 0) << out; // creates the default store
}

int CliFixture::Cli(const std::string& args, std::string* output, const std::string& prefix) {
    return Run("PLATTERLY_DRIVES=" + Quote(dir / "drives") + " TMPDIR=" + Quote(dir / "tmp") + " " +
                   prefix + "'" PLATTERLY_DIST_DIR "/platterly-cli' " + args + " </dev/null",
               output);
}

fs::path CliFixture::Tree() {
    fs::path src = dir / "src";
    fs::create_directories(src / "Docs");
    testsupport::writeFile(src / "readme.txt", "read me\n");
    testsupport::writeFile(src / "Docs" / "Report 2024.txt", Pattern(50000, 3));
    return src;
}

int Run(const std::string& command, std::string* output) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), n);
    int status = ::pclose(pipe);
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveTool(const std::string& name) {
    return Run("command -v " + name) == 0;
}

} // namespace datatest
