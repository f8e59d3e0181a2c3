#pragma once

#include "discengine/Disc.h"
#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "discengine/Volume.h"
#include "support/TempDir.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace datatest {

// Every write event in arrival order.
struct Event {
    std::string kind; // "status", "error", "warning", "filestatus", "verifystart", "verify",
                      // "verifycomplete", "added"
    int status = 0, progress = 0, a = 0, b = 0;
    std::string text = {};
    std::shared_ptr<discengine::IWriteErrorX> error = nullptr;
};

class Recorder : public discengine::IEngineListener {
public:
    void OnWriteStatus(std::int32_t, std::int32_t progress, std::int32_t, std::int32_t,
                       std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t status, bool& cancel) override;
    void OnWriteError(std::int32_t, std::shared_ptr<discengine::IWriteErrorX> error) override;
    void OnItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX> item) override;
    void OnTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                            std::int32_t, bool& ignore) override;
    void OnTrackFileStatus(std::int32_t, std::int32_t, std::int32_t count, std::int32_t index,
                           const std::string& name) override;
    void OnFileVerifyStart(std::int32_t, std::int32_t count) override;
    void OnFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double, double,
                      std::int32_t status, std::int32_t index, std::int32_t count, bool&) override;
    void OnFileVerifyComplete(std::int32_t, std::int32_t count, std::int32_t matched) override;

    // The final status (9, 10 or 11); -1 (and a test failure) when none came in time.
    int WaitEnd(std::chrono::seconds timeout = std::chrono::seconds(120));
    std::vector<Event> Events();
    std::vector<int> Statuses(); // distinct consecutive statuses
    bool ignoreWarnings = false;
    std::function<bool(int status, int progress)> cancelWhen;
    std::function<void()> onVerifyStart; // runs inside OnFileVerifyStart

private:
    void Add(Event e);
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    int final_ = -1;
};

struct Fixture {
    testsupport::TempDir dir;
    std::unique_ptr<discengine::IDVDEngineX> engine;
    std::shared_ptr<discengine::IDataImageX> image;
    Recorder recorder;
    Fixture();
    ~Fixture();
    discengine::VirtualStore Store() { return discengine::VirtualStore(dir / "drives"); }
    // A tree of folders and files with awkward names under dir/src; returns image path -> bytes.
    std::vector<std::pair<std::string, std::string>> MakeTree();
    void AddTree(const std::filesystem::path& folder, const std::string& at);
    // Puts an image file into drive `letter` as its disc and opens the disc's volume.
    std::shared_ptr<discengine::IDiscVolume> InsertDisc(const std::filesystem::path& iso,
                                                        char letter = 'E');
};

std::string Quote(const std::filesystem::path& path);

// platterly-cli on a store of its own in a temporary folder (created by a first "drives").
struct CliFixture {
    testsupport::TempDir dir;
    CliFixture();
    // Runs platterly-cli with args (shell words, quoted by the caller), preceded by `prefix`
    // (a command that runs it, such as setpriv); returns the exit status, output in *output.
    int Cli(const std::string& args, std::string* output = nullptr, const std::string& prefix = "");
    discengine::VirtualStore Store() { return discengine::VirtualStore(dir / "drives"); }
    // A small tree: a file at the top, one in a folder.
    std::filesystem::path Tree();
};

// engine.WaitForJobs(), but a job still running after `timeout` ends the test binary.
void WaitForJobsOrDie(discengine::IDVDEngineX& engine,
                      std::chrono::seconds timeout = std::chrono::seconds(120));

// Runs body in a child process (for process-wide settings such as resource limits). The result
// is the child's exit status: body's answer, or -1 when it crashed or did not end in time.
int RunInChild(const std::function<int()>& body,
               std::chrono::seconds timeout = std::chrono::seconds(120));

std::string Pattern(std::size_t bytes, int seed);
// Rewrites the UDF file entry (tag 261) whose recorded length is `size`; false when there is
// none. Hostile discs are made this way from images of our own writer.
bool PatchUdfFileEntry(const std::filesystem::path& image, std::uint64_t size,
                       const std::function<void(unsigned char* entry)>& patch);
// Calls patch(record, name) for every directory record of the primary volume's root folder
// ("A.BIN;1"), then writes the image back; returns how many calls answered true (patched).
int PatchIsoRootRecords(const std::filesystem::path& image,
                        const std::function<bool(char* record, const std::string& name)>& patch);
// The names in a folder, hidden ones included, sorted.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);
// Sets the recorded length (information length) of that file entry.
bool SetUdfFileLength(const std::filesystem::path& image, std::uint64_t size,
                      std::uint64_t claimed);
// Runs a command line; returns its exit status and its output.
int Run(const std::string& command, std::string* output = nullptr);
bool HaveTool(const std::string& name);

} // namespace datatest
