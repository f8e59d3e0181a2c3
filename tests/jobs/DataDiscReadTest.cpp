// The folder copy and the image set-up of a data disc on the real engine: ISO images made by
// genisoimage in a drive of a temporary store, read back with xorriso and isoinfo.
#include "jobs/DataDiscRead.h"
#include "DataFixture.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "jobs/FolderCopyText.h"
#include "support/Privileges.h"

#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <map>

namespace fs = std::filesystem;
using namespace datatest;

namespace {

// Records what the copy shows; `cancelWhen` decides, at each look at events, whether the user
// has pressed Cancel by now.
class RecordingHost : public jobs::IFolderCopyHost {
public:
    void CopyingFile(const std::string& path) override { files.push_back(path); }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void Report(const jobs::CopyNote& note) override {
        notes.push_back(note);
        reports.push_back(jobs::CopyNoteText(note).toStdString());
    }
    bool Cancelled() override { return cancelWhen && cancelWhen(*this); }

    std::vector<std::string> files, reports;
    std::vector<jobs::CopyNote> notes;
    std::vector<int> progress;
    std::function<bool(RecordingHost&)> cancelWhen;
};

// Every file under `root` (relative path -> content), folders as "name/".
std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).string();
        tree[e.is_directory() ? rel + "/" : rel] =
            e.is_directory() ? std::string() : testsupport::readFile(e.path());
    }
    return tree;
}

std::string Genisoimage(const fs::path& content, const fs::path& iso, const std::string& options) {
    return "genisoimage -quiet -V SOURCEDISC " + options + " -o " + Quote(iso) + " " +
           Quote(content) + " 2>/dev/null";
}

class DiscRead : public ::testing::Test {
protected:
    // A disc with A, A/B, A/B/x.txt and more, loaded into drive E:.
    void SetUp() override {
        content = f.dir / "content";
        fs::create_directories(content / "A" / "B");
        testsupport::writeFile(content / "A" / "B" / "x.txt", "x in A\\B\n");
        testsupport::writeFile(content / "A" / "B" / "y.txt", Pattern(5000, 1));
        testsupport::writeFile(content / "A" / "z.bin", Pattern(70000, 2));
        testsupport::writeFile(content / "top.txt", "top\n");
        testsupport::writeFile(content / "big.bin", Pattern(6 * 1024 * 1024 + 5, 3));
        fs::create_directories(content / "empty folder");
        out = f.dir / "out";
        fs::create_directories(out);
    }
    void Insert(const std::string& options = "-J -udf") {
        iso = f.dir / "disc.iso";
        ASSERT_EQ(datatest::Run(Genisoimage(content, iso, options)), 0);
        volume = f.InsertDisc(iso, 'E');
    }
    jobs::FolderCopyResult Copy(RecordingHost& host, bool replace = false) {
        return jobs::CopyDiscTree(*volume, 'E', out, replace, host);
    }

    Fixture f;
    fs::path content, out, iso;
    std::shared_ptr<discengine::IDiscVolume> volume;
};

TEST_F(DiscRead, FolderCopyEqualsTheDiscTreeAndKeepsTheDates) {
    Insert();
    RecordingHost host;
    const auto result = Copy(host);
    EXPECT_EQ(result.copied, 5);
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(result.cancelled);
    EXPECT_FALSE(jobs::FolderCopyHasProblems(result));
    EXPECT_EQ(TreeOf(out), TreeOf(content));
    // An independent extraction of the same image agrees.
    const fs::path extracted = f.dir / "xorriso";
    if (HaveTool("xorriso")) {
        ASSERT_EQ(datatest::Run("xorriso -osirrox on -indev " + Quote(iso) + " -extract / " +
                                Quote(extracted) + " >/dev/null 2>&1"),
                  0);
        EXPECT_EQ(TreeOf(out), TreeOf(extracted));
    }
    EXPECT_NE(std::find(host.files.begin(), host.files.end(), "E:\\A\\B\\x.txt"), host.files.end());
    // The file's modification time is the disc's date, not the time of the copy.
    const auto entry = volume->Stat("\\top.txt");
    ASSERT_TRUE(entry);
    const auto written = std::chrono::file_clock::to_sys(fs::last_write_time(out / "top.txt"));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count(),
              std::chrono::duration_cast<std::chrono::seconds>(entry->created.time_since_epoch())
                  .count());
    // Permissions as any new file of the user's, not those of a private temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat((out / "top.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    // The bar moved forward only and never past the end.
    ASSERT_FALSE(host.progress.empty());
    EXPECT_TRUE(std::is_sorted(host.progress.begin(), host.progress.end()));
    EXPECT_LE(host.progress.back(), 100);
    EXPECT_GT(host.progress.back(), 50) << "most of the volume is file data";
}

// The real disc, but a volume twice the size of its files: the copy of every file is half of it.
class HalfFullVolume : public discengine::IDiscVolume {
public:
    explicit HalfFullVolume(std::shared_ptr<discengine::IDiscVolume> disc) : disc_(disc) {}
    std::string Label() const override { return disc_->Label(); }
    std::uint64_t TotalSize() const override { return 2 * FileBytes("\\"); }
    std::vector<discengine::VolumeEntry> List(const std::string& folder) const override {
        return disc_->List(folder);
    }
    std::optional<discengine::VolumeEntry> Stat(const std::string& path) const override {
        return disc_->Stat(path);
    }
    bool ReadFile(const std::string& path,
                  const std::function<bool(const char*, std::size_t)>& sink) const override {
        return disc_->ReadFile(path, sink);
    }
    void CopyFile(const std::string& path, const fs::path& target) const override {
        disc_->CopyFile(path, target);
    }

private:
    std::uint64_t FileBytes(const std::string& folder) const {
        std::uint64_t sum = 0;
        for (const auto& e : disc_->List(folder))
            sum += e.isFolder ? FileBytes((folder == "\\" ? "" : folder) + "\\" + e.name) : e.size;
        return sum;
    }
    std::shared_ptr<discengine::IDiscVolume> disc_;
};

TEST_F(DiscRead, FilesOfHalfTheVolumeEndAtFiftyPercent) {
    Insert();
    HalfFullVolume half(volume);
    RecordingHost host;
    const auto result = jobs::CopyDiscTree(half, 'E', out, false, host);
    EXPECT_EQ(result.copied, 5);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back(), 50);
}

TEST_F(DiscRead, ExistingFilesStayUnlessReplacingAndNoTemporaryNameRemains) {
    Insert();
    fs::create_directories(out / "A");
    testsupport::writeFile(out / "top.txt", "the user's own file");
    testsupport::writeFile(out / "A" / "z.bin", "another of the user's");
    RecordingHost host;
    auto result = Copy(host);
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(result.failed, 0) << "a skipped file is not a failure";
    EXPECT_FALSE(jobs::FolderCopyHasProblems(result));
    EXPECT_EQ(testsupport::readFile(out / "top.txt"), "the user's own file");
    EXPECT_EQ(testsupport::readFile(out / "A" / "z.bin"), "another of the user's");
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_NE(host.reports[0].find("Skipped"), std::string::npos) << host.reports[0];

    RecordingHost again;
    result = Copy(again, true);
    EXPECT_EQ(result.copied, 5);
    EXPECT_EQ(TreeOf(out), TreeOf(content));
    for (const auto& [name, bytes] : TreeOf(out))
        EXPECT_EQ(name.find(".platterly-part"), std::string::npos) << name;
}

TEST_F(DiscRead, CancelInsideABStopsEverywhere) {
    Insert();
    RecordingHost host;
    host.cancelWhen = [](RecordingHost& h) {
        return !h.files.empty() && h.files.back() == "E:\\A\\B\\x.txt";
    };
    const auto result = Copy(host);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(host.files.back(), "E:\\A\\B\\x.txt") << "nothing after the cancelled entry";
    EXPECT_TRUE(fs::exists(out / "A" / "B" / "x.txt")) << "the file in hand is finished";
    EXPECT_FALSE(fs::exists(out / "A" / "B" / "y.txt"));
    EXPECT_FALSE(fs::exists(out / "A" / "z.bin")) << "A does not go on";
    EXPECT_FALSE(fs::exists(out / "top.txt")) << "the root does not go on";
    EXPECT_FALSE(fs::exists(out / "big.bin"));
}

TEST_F(DiscRead, CancelInsideALargeFileLeavesNothingOfIt) {
    Insert();
    RecordingHost host;
    // Cancel is seen between chunks of big.bin, long before its end.
    host.cancelWhen = [](RecordingHost& h) {
        return !h.files.empty() && h.files.back() == "E:\\big.bin";
    };
    const auto result = Copy(host);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.failed, 0) << "a cancelled file is not a failure";
    EXPECT_FALSE(fs::exists(out / "big.bin"));
    for (const auto& e : fs::directory_iterator(out))
        EXPECT_EQ(e.path().filename().string().find(".platterly-part"), std::string::npos);
}

TEST_F(DiscRead, HostileDiscLoopAndExtentPastTheEndAreReportedAndTheRestCopied) {
    // Plain ISO9660 names, so the root records below are the ones the volume reads.
    Insert("");
    std::string rootExtent;
    PatchIsoRootRecords(iso, [&](char* record, const std::string& name) {
        if (name == std::string(1, '\0'))
            rootExtent.assign(record + 2, 8);
        return false;
    });
    ASSERT_EQ(rootExtent.size(), 8u);
    ASSERT_EQ(PatchIsoRootRecords(iso,
                                  [&](char* record, const std::string& name) {
                                      if (name == "A") // the folder A is the root again
                                          std::copy(rootExtent.begin(), rootExtent.end(),
                                                    record + 2);
                                      else if (name == "TOP.TXT;1") // far past the disc's end
                                          for (int i = 0; i < 4; ++i)
                                              record[2 + i] = record[9 - i] = '\x70';
                                      return name == "A" || name == "TOP.TXT;1";
                                  }),
              2);
    volume = f.InsertDisc(iso, 'E');
    RecordingHost host;
    const auto result = Copy(host);
    EXPECT_GE(result.failed, 2);
    EXPECT_TRUE(jobs::FolderCopyHasProblems(result));
    EXPECT_FALSE(fs::exists(out / "top.txt")) << "nothing half-written";
    EXPECT_EQ(testsupport::readFile(out / "big.bin"), testsupport::readFile(content / "big.bin"));
    // Whatever the loop offered, nothing was written outside the output folder.
    EXPECT_EQ(NamesIn(f.dir.path()),
              (std::vector<std::string>{"content", "disc.iso", "drives", "out"}));
    std::string all;
    for (const auto& r : host.reports)
        all += r + "\n";
    EXPECT_NE(all.find("E:\\top.txt"), std::string::npos) << all;
    EXPECT_NE(all.find("loops"), std::string::npos) << all;
}

// The real disc with names added to its root that a careless volume could hand over.
class HostileNamesVolume : public HalfFullVolume {
public:
    using HalfFullVolume::HalfFullVolume;
    std::vector<discengine::VolumeEntry> List(const std::string& folder) const override {
        auto entries = HalfFullVolume::List(folder);
        if (folder != "\\")
            return entries;
        for (const std::string name : {"..", "../escaped.txt", "/tmp/absolute.txt", "."})
            entries.push_back({name, name == "..", 10});
        entries.push_back({std::string(300, 'n'), false, 10});
        return entries;
    }
};

TEST_F(DiscRead, NamesThatLeadOutOfTheOutputFolderAreRefused) {
    Insert();
    HostileNamesVolume hostile(volume);
    RecordingHost host;
    const auto result = jobs::CopyDiscTree(hostile, 'E', out, false, host);
    EXPECT_EQ(result.failed, 5);
    EXPECT_EQ(result.copied, 5) << "the disc's own files are still copied";
    EXPECT_EQ(TreeOf(out), TreeOf(content));
    EXPECT_EQ(NamesIn(f.dir.path()),
              (std::vector<std::string>{"content", "disc.iso", "drives", "out"}));
    EXPECT_FALSE(fs::exists("/tmp/absolute.txt"));
    ASSERT_EQ(host.reports.size(), 5u);
    for (const auto& r : host.reports)
        EXPECT_NE(r.find("refused"), std::string::npos) << r;
}

TEST_F(DiscRead, ALinkInTheOutputFolderIsNotFollowed) {
    Insert();
    const fs::path elsewhere = f.dir / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, out / "A");
    RecordingHost host;
    const auto result = Copy(host);
    EXPECT_EQ(result.failed, 1);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(fs::exists(out / "top.txt")) << "the rest is copied";
}

TEST_F(DiscRead, UnwritableOrMissingOutputFolderIsAClearError) {
    Insert();
    RecordingHost host;
    auto result = jobs::CopyDiscTree(*volume, 'E', out / "missing", false, host);
    EXPECT_EQ(result.copied, 0);
    EXPECT_EQ(result.failed, 1);
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_NE(host.reports[0].find("does not exist"), std::string::npos);
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
    // In a child that obeys file permissions even when the suite runs as root.
    const int status = RunInChild([&] {
        if (!testsupport::ObeyFilePermissions())
            return 99;
        RecordingHost locked;
        const auto locked_result = Copy(locked);
        if (locked_result.failed != 1 || locked_result.copied != 0)
            return 1;
        if (locked.reports.size() != 1) // one message, not one per file
            return 2;
        return locked.reports[0].find("Cannot write into the output folder") != std::string::npos
                   ? 0
                   : 3;
    });
    fs::permissions(out, fs::perms::owner_all);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(DiscRead, AFileSizeLimitFailsTheLargeFileOnlyAndLeavesNoPart) {
    Insert();
    const int status = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            1024 * 1024, 1024 * 1024
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 99;
        RecordingHost host;
        const auto result = Copy(host);
        const bool partLeft =
            std::any_of(fs::directory_iterator(out), fs::directory_iterator(), [](const auto& e) {
                return e.path().filename().string().find(".platterly-part") != std::string::npos;
            });
        if (result.failed != 1 || result.copied != 4 || fs::exists(out / "big.bin") || partLeft)
            return 1;
        return host.reports.size() == 1 && host.reports[0].find("big.bin") != std::string::npos ? 0
                                                                                                : 2;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(DiscRead, ImageFromTheDiscHoldsEveryFileWithTheChosenLabelAndFileSystems) {
    Insert();
    jobs::DiscImageSettings settings;
    settings.label = "SOURCEDISC";
    settings.fileSystems = discengine::kFsISO9660 | discengine::kFsJoliet | discengine::kFsUDF;
    settings.autoVerify = true;
    jobs::PrepareImageFromDisc(*f.image, *volume, 'E', settings);
    const fs::path copy = f.dir / "copy.iso";
    ASSERT_TRUE(f.image->WriteToImageFile(copy));
    ASSERT_EQ(f.recorder.WaitEnd(), discengine::kWriteCompleted);
    WaitForJobsOrDie(*f.engine);
    bool verified = false;
    for (const auto& e : f.recorder.Events())
        if (e.kind == "verifycomplete")
            verified = e.a == e.b && e.a == 5;
    EXPECT_TRUE(verified) << "every file matched";

    if (HaveTool("xorriso")) {
        const fs::path extracted = f.dir / "copy-extracted";
        ASSERT_EQ(datatest::Run("xorriso -osirrox on -indev " + Quote(copy) + " -extract / " +
                                Quote(extracted) + " >/dev/null 2>&1"),
                  0);
        EXPECT_EQ(TreeOf(extracted), TreeOf(content));
    }
    if (HaveTool("isoinfo")) {
        std::string info;
        ASSERT_EQ(datatest::Run("isoinfo -d -i " + Quote(copy), &info), 0);
        EXPECT_NE(info.find("Volume id: SOURCEDISC"), std::string::npos) << info;
        EXPECT_NE(info.find("Joliet with UCS level 3 found"), std::string::npos) << info;
    }
    if (HaveTool("udfinfo")) {
        std::string info;
        EXPECT_EQ(datatest::Run("udfinfo " + Quote(copy), &info), 0) << info;
    }
    // The volume layer reads the new image like the source disc.
    auto readBack = f.InsertDisc(copy, 'E');
    EXPECT_EQ(readBack->Label(), "SOURCEDISC");
    std::string bytes;
    readBack->ReadFile("\\A\\B\\y.txt", [&](const char* d, std::size_t n) {
        bytes.append(d, n);
        return true;
    });
    EXPECT_EQ(bytes, Pattern(5000, 1));
}

TEST_F(DiscRead, ALoopingDiscStopsTheImageSetUpWithItsReason) {
    Insert("");
    std::string rootExtent;
    PatchIsoRootRecords(iso, [&](char* record, const std::string& name) {
        if (name == std::string(1, '\0'))
            rootExtent.assign(record + 2, 8);
        else if (name == "A" && rootExtent.size() == 8)
            std::copy(rootExtent.begin(), rootExtent.end(), record + 2);
        return name == "A";
    });
    volume = f.InsertDisc(iso, 'E');
    jobs::DiscImageSettings settings;
    settings.label = "X";
    EXPECT_THROW(jobs::PrepareImageFromDisc(*f.image, *volume, 'E', settings),
                 discengine::EngineError);
}

// The copy's log lines and closing status come from the language table, so a language file
// words them; the disc's own names and the system's reasons are kept as they are.
TEST(FolderCopyText, NotesAndStatusAreWordedFromTheLanguageFile) {
    testsupport::TempDir dir;
    globals::LanguageDir = dir.path().string() + "/";
    globals::LanguageFileName = globals::LanguageDir + "deutsch.ini";
    testsupport::writeFile(globals::LanguageFileName,
                           "[Language]\nFlags=1\n"
                           "IDS_READCD_LOG_CouldNotCopy=%s nicht kopiert: %s\n"
                           "IDS_READCD_REASON_CannotCreate=%s nicht anlegbar (%s)\n"
                           "IDS_READCD_MSG_NotCopiedMany=%d Dateien fehlen (siehe Protokoll).\n"
                           "IDS_READCD_MSG_DiscGone=Die Disc wurde entnommen.\n");
    ASSERT_TRUE(MultiLanguages::LoadLanguage());
    using K = jobs::CopyNote::Kind;
    const std::string created =
        jobs::CopyNoteText({K::CannotCreate, "E:\\A\\x.txt", "/out/A/x.txt", "No space left"})
            .toStdString();
    const std::string refused =
        jobs::CopyNoteText({K::NameLeavesFolder, "E:\\..", "/out/", {}}).toStdString();
    jobs::FolderCopyResult result;
    result.failed = 3;
    result.discGone = true;
    const std::string status = jobs::FolderCopyProblemsText(result).toStdString();
    MultiLanguages::ResetToEnglish();
    EXPECT_EQ(created, "E:\\A\\x.txt nicht kopiert: /out/A/x.txt nicht anlegbar (No space left)");
    EXPECT_EQ(refused, "E:\\.. nicht kopiert: refused a name that would leave its folder")
        << "a key the file leaves out stays English";
    EXPECT_EQ(status, "3 Dateien fehlen (siehe Protokoll). Die Disc wurde entnommen.");
    result = {};
    result.skipped = 2;
    EXPECT_EQ(jobs::FolderCopyProblemsText(result), "") << "skipped files are no problem";
}

// Ways a disc leaves drive E: in the middle of a read: the tray opened, the disc taken out of
// the store, its image cut short.
std::vector<std::pair<std::string, std::function<void()>>> WaysToTakeTheDiscOut(Fixture& f) {
    return {
        {"tray opened", [&f] { f.Store().SetTray('E', true); }},
        {"disc removed", [&f] { f.Store().RemoveMedium('E'); }},
        {"image cut short",
         [&f] {
             const fs::path payload = f.Store().FolderOf('E') / "disc.iso";
             fs::resize_file(payload, fs::file_size(payload) / 2);
         }},
    };
}

bool AnyPartLeft(const fs::path& folder) {
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.path().filename().string().find(".platterly-part") != std::string::npos)
            return true;
    return false;
}

TEST_F(DiscRead, ADiscTakenOutStopsTheCopyOnceWithNothingHalfWritten) {
    Insert();
    for (const auto& [way, takeOut] : WaysToTakeTheDiscOut(f)) {
        SCOPED_TRACE(way);
        fs::remove_all(out);
        fs::create_directories(out);
        volume = f.InsertDisc(iso, 'E');
        RecordingHost host;
        bool taken = false;
        // Taken out between two chunks of big.bin, 2 MB into its 6 MB.
        host.cancelWhen = [&, takeOut = takeOut](RecordingHost& h) {
            if (!taken && !h.files.empty() && h.files.back() == "E:\\big.bin") {
                taken = true;
                takeOut();
            }
            return false;
        };
        const auto result = Copy(host);
        ASSERT_TRUE(taken);
        EXPECT_TRUE(result.discGone);
        EXPECT_FALSE(result.cancelled);
        EXPECT_EQ(result.failed, 1) << "one failure, not one per file left on the disc";
        EXPECT_EQ(testsupport::readFile(out / "A" / "B" / "y.txt"),
                  testsupport::readFile(content / "A" / "B" / "y.txt"))
            << "what was copied before stays whole";
        EXPECT_FALSE(fs::exists(out / "big.bin"));
        EXPECT_FALSE(fs::exists(out / "top.txt")) << "nothing after it is tried";
        EXPECT_FALSE(AnyPartLeft(out));
        EXPECT_EQ(host.files.back(), "E:\\big.bin");
        ASSERT_EQ(host.notes.size(), 1u);
        EXPECT_EQ(host.notes[0].kind, jobs::CopyNote::Kind::DiscGone);
        EXPECT_NE(host.reports[0].find("Could not copy E:\\big.bin: the disc is no longer in"),
                  std::string::npos)
            << host.reports[0];
        const std::string status = jobs::FolderCopyProblemsText(result).toStdString();
        EXPECT_EQ(status, "1 file or folder could not be copied (see the log). The disc was "
                          "removed from the drive: the rest was not copied.");
    }
}

TEST_F(DiscRead, ADiscTakenOutEndsTheImageWithASourceErrorAndNoImage) {
    Insert();
    for (const auto& [way, takeOut] : WaysToTakeTheDiscOut(f)) {
        SCOPED_TRACE(way);
        volume = f.InsertDisc(iso, 'E');
        jobs::DiscImageSettings settings;
        settings.label = "SOURCEDISC";
        jobs::PrepareImageFromDisc(*f.image, *volume, 'E', settings);
        datatest::Recorder recorder;
        f.engine->SetListener(&recorder);
        // The files are listed; the disc goes as the image begins to be written.
        bool taken = false;
        recorder.cancelWhen = [&, takeOut = takeOut](int status, int) {
            if (!taken && status == discengine::kWriteWriting) {
                taken = true;
                takeOut();
            }
            return false;
        };
        const fs::path copy = out / "copy.iso";
        ASSERT_TRUE(f.image->WriteToImageFile(copy));
        EXPECT_EQ(recorder.WaitEnd(), discengine::kWriteError);
        WaitForJobsOrDie(*f.engine);
        f.engine->SetListener(nullptr);
        EXPECT_TRUE(taken);
        int warnings = 0;
        std::shared_ptr<discengine::IWriteErrorX> error;
        for (const auto& e : recorder.Events()) {
            warnings += e.kind == "warning";
            if (e.kind == "error")
                error = e.error;
        }
        EXPECT_EQ(warnings, 1) << "the first file that cannot be read ends the job";
        ASSERT_TRUE(error);
        EXPECT_EQ(error->Kind(), discengine::kWriteErrorSourceFile);
        ASSERT_TRUE(error->FileError());
        EXPECT_EQ(error->FileError()->ErrorCode(), ENOMEDIUM);
        EXPECT_TRUE(fs::is_empty(out)) << "no image, whole or partial";
    }
}

} // namespace

namespace {

// platterly-cli read on the sample data CD in F:, checked against xorriso's own extraction.
TEST(ReadCommand, IsoAndFolderOfTheSampleDataCDMatchXorriso) {
    if (!HaveTool("xorriso"))
        GTEST_SKIP() << "xorriso is not installed";
    CliFixture cli;
    fs::path source;
    for (const auto& e : fs::directory_iterator(cli.Store().FolderOf('F')))
        if (e.path().extension() == ".iso")
            source = e.path();
    ASSERT_FALSE(source.empty()) << "the sample data CD's payload";
    const fs::path reference = cli.dir / "reference";
    ASSERT_EQ(datatest::Run("xorriso -osirrox on -indev " + Quote(source) + " -extract / " +
                            Quote(reference) + " >/dev/null 2>&1"),
              0);

    std::string out;
    const fs::path iso = cli.dir / "read.iso";
    ASSERT_EQ(cli.Cli("read F: --iso " + Quote(iso), &out), 0) << out;
    const fs::path extracted = cli.dir / "extracted";
    ASSERT_EQ(datatest::Run("xorriso -osirrox on -indev " + Quote(iso) + " -extract / " +
                            Quote(extracted) + " >/dev/null 2>&1"),
              0);
    EXPECT_EQ(TreeOf(extracted), TreeOf(reference));
    std::string sourceInfo, copyInfo;
    datatest::Run("isoinfo -d -i " + Quote(source) + " | grep -E 'Volume id|Joliet'", &sourceInfo);
    datatest::Run("isoinfo -d -i " + Quote(iso) + " | grep -E 'Volume id|Joliet'", &copyInfo);
    EXPECT_EQ(copyInfo, sourceInfo) << "the source's label and file systems";
    EXPECT_EQ(datatest::Run("udfinfo " + Quote(source) + " >/dev/null 2>&1") == 0,
              datatest::Run("udfinfo " + Quote(iso) + " >/dev/null 2>&1") == 0);

    // An existing image is the user's: refused without --replace, left as it was.
    testsupport::writeFile(iso, "mine");
    EXPECT_EQ(cli.Cli("read F: --iso " + Quote(iso), &out), 1);
    EXPECT_NE(out.find("already exists"), std::string::npos) << out;
    EXPECT_EQ(testsupport::readFile(iso), "mine");

    const fs::path folder = cli.dir / "folder";
    ASSERT_EQ(cli.Cli("read F: --folder " + Quote(folder), &out), 0) << out;
    EXPECT_EQ(TreeOf(folder), TreeOf(reference));
    EXPECT_NE(out.find("Copied"), std::string::npos) << out;
}

TEST(ReadCommand, BadArgumentsAndDrivesAreClearErrors) {
    CliFixture cli;
    std::string out;
    EXPECT_EQ(cli.Cli("read F:", &out), 2) << out;
    EXPECT_EQ(cli.Cli("read F: --iso a.iso --folder b", &out), 2) << out;
    EXPECT_EQ(cli.Cli("read Q: --folder " + Quote(cli.dir / "x"), &out), 1);
    EXPECT_NE(out.find("no drive"), std::string::npos) << out;
    // The blank disc in E: has nothing to read.
    EXPECT_EQ(cli.Cli("read E: --folder " + Quote(cli.dir / "x"), &out), 1);
    EXPECT_NE(out.find("cannot read the disc"), std::string::npos) << out;
}

} // namespace
