// A full disk, unreadable and vanished sources: the data compilation and its ISO file through
// the real window. Each failure is a clear box, the compilation stays, nothing half-written is
// left under the target's name.
#include "BurnFixture.h"

#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/VirtualStore.h"
#include "engine/DVDEngineBinding.h"
#include "support/Privileges.h"
#include "write/FileFacts.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Lowers this process's file size limit for a while: every write past it fails with EFBIG, as
// on a full disk, in the engine's writer thread too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool Ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
    bool ok_ = false;
};

// Makes this thread obey file permissions while it lives, root included (CI runs as root).
class PermissionsHold {
public:
    PermissionsHold() {
        ::syscall(SYS_capget, &header_, saved_);
        ok_ = testsupport::ObeyFilePermissions();
    }
    ~PermissionsHold() { ::syscall(SYS_capset, &header_, saved_); }
    bool Ok() const { return ok_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[_LINUX_CAPABILITY_U32S_3] = {};
    bool ok_ = false;
};

class DataFailures : public DataBurnPage {
protected:
    void SetUp() override {
        StartData(300000);
        AddSourceFolder();
        ASSERT_EQ(Label("lblWrite_FileCounter"), "2 objects");
    }
    static QString Native(const fs::path& path) { return QString::fromStdString(path.string()); }
    // Writes the compilation to `iso` with "Write to ISO image file"; true when the job ended.
    bool WriteIso(const fs::path& iso) {
        Find<QCheckBox>("chkWrite_WriteToISO")->setChecked(true);
        prompts.AnswerFile(Native(iso));
        Click("btnWrite_Start");
        return WaitForJobEnd();
    }
    void ExpectCompilationKept() {
        EXPECT_TRUE(Layout()->FindItem("\\a.txt"));
        EXPECT_TRUE(Layout()->FindItem("\\sub\\b.txt"));
        EXPECT_EQ(Label("lblWrite_FileCounter"), "2 objects");
        EXPECT_EQ(List()->topLevelItemCount(), 2);
        EXPECT_TRUE(windows->main->Shared().Idle());
        EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);
    }
    // Nothing but `keep` in the folder of the image: no half image, no temporary file.
    void ExpectOnlyIn(const fs::path& folder, const std::set<std::string>& keep) {
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_TRUE(keep.count(entry.path().filename().string()))
                << entry.path() << " was left behind";
    }
};

TEST_F(DataFailures, AFullDiskFailsTheIsoFileWithAClearBoxAndKeepsTheOldFile) {
    const fs::path out = dir / "out";
    fs::create_directories(out);
    const fs::path iso = out / "disc.iso";
    testsupport::writeFile(iso, "the image from before");
    {
        FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.Ok());
        ASSERT_TRUE(WriteIso(iso));
    }
    const QStringList boxes = BoxTexts();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes.back().startsWith("Output File Error: (")) << boxes.join('|').toStdString();
    EXPECT_TRUE(boxes.back().contains("disc.iso")) << boxes.back().toStdString();
    EXPECT_FALSE(boxes.contains("Write Completed!"));
    EXPECT_EQ(testsupport::readFile(iso), "the image from before");
    ExpectOnlyIn(out, {"disc.iso"});
    ExpectCompilationKept();

    // With room again the same compilation is written whole.
    fs::remove(iso);
    ASSERT_TRUE(WriteIso(iso));
    EXPECT_EQ(BoxTexts().back(), "Write Completed!");
    EXPECT_GT(fs::file_size(iso), 300000u);
}

TEST_F(DataFailures, AnUnreadableFileIsRefusedWhenAddedWithItsReason) {
    const fs::path locked = dir / "locked.txt";
    testsupport::writeFile(locked, "secret");
    fs::permissions(locked, fs::perms::none);
    {
        PermissionsHold hold;
        ASSERT_TRUE(hold.Ok());
        EXPECT_EQ(FileSizeOf(Native(locked)), -1) << "a file that cannot be opened";
        prompts.AnswerFiles(QStringList{Native(locked)});
        Click("btnWrite_AddFiles");
    }
    fs::permissions(locked, fs::perms::owner_all);
    const QString box = BoxTexts().back();
    EXPECT_TRUE(box.contains("locked.txt")) << box.toStdString();
    EXPECT_TRUE(box.contains("Permission denied")) << box.toStdString();
    EXPECT_FALSE(Layout()->FindItem("\\locked.txt"));
    ExpectCompilationKept();
}

TEST_F(DataFailures, ASourceThatCannotBeReadAtTheWriteIsNamedTwice) {
    // The file turns into a folder between Add and Write: no read can give its bytes. The
    // warning names it and the write goes on without it; the verification names it again.
    const fs::path b = dir / "src" / "sub" / "b.txt";
    fs::remove(b);
    fs::create_directories(b);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    ASSERT_TRUE(WriteIso(out / "disc.iso"));
    const QStringList boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), 3) << boxes.join('|').toStdString();
    EXPECT_TRUE(boxes[0].startsWith("File Warning(")) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(Native(b) + " is a folder")) << boxes[0].toStdString();
    EXPECT_EQ(boxes[1], "Verify Error - Could not read source file from disc: \\r\\sub\\b.txt "
                        "(disc)\\r" +
                            Native(b) + " (source)");
    EXPECT_EQ(boxes[2], "Write Completed!");
    ExpectOnlyIn(out, {"disc.iso"});
    ExpectCompilationKept();
}

TEST_F(DataFailures, AFifoAddedAsAFileIsRefusedWithoutHanging) {
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(FileSizeOf(Native(fifo)), 0) << "opened without waiting for a writer";
    prompts.AnswerFiles(QStringList{Native(fifo)});
    Click("btnWrite_AddFiles");
    const QString box = BoxTexts().back();
    EXPECT_TRUE(box.contains("pipe")) << box.toStdString();
    EXPECT_TRUE(box.contains("not a regular file")) << box.toStdString();
    ExpectCompilationKept();
}

TEST_F(DataFailures, SevenHundredMegabytesForADiscOfSixHundredFiftyAreRefusedInMegabytes) {
    // A 650 MB blank (332,800 blocks of 2048 bytes) and 700 MB more on top of the compilation.
    discengine::VirtualStore(dir / "drives").InsertBlank('E', discengine::kMediaCDR, 332800);
    const fs::path big = dir / "big.bin";
    testsupport::writeFile(big, "");
    fs::resize_file(big, 700ull << 20); // sparse: no disk space used
    prompts.AnswerFiles(QStringList{Native(big)});
    Click("btnWrite_AddFiles");
    ASSERT_TRUE(Layout()->FindItem("\\big.bin"));
    prompts.Clear();
    Click("btnWrite_Start");
    auto image = windows->main->DVDEngine().DataImage();
    const QString need = QString::number(image->ImageSize() / 1048576.0, 'g', 15) + "MB";
    EXPECT_GT(image->ImageSize(), 700ull << 20);
    EXPECT_EQ(BoxTexts(), QStringList{"Free space on the loaded disc is: 650MB /r This image "
                                      "requires " +
                                      need + " of free space"});
    auto device = windows->main->DVDEngine().FindDevice('E');
    device->Refresh(true);
    EXPECT_EQ(device->DiscInfo()->DiscStatus(), discengine::kDiscEmpty) << "nothing written";
    EXPECT_TRUE(windows->main->Shared().Idle());
    EXPECT_EQ(windows->main->Shared().JobOwner(), nullptr);
}

TEST(FileFacts, DateIsTheLocalShortDateAndLongTimeAndMissingFilesKeepTheOutput) {
    testsupport::TempDir dir;
    const fs::path file = dir / "f.txt";
    testsupport::writeFile(file, "12345");
    const QString path = QString::fromStdString(file.string());
    EXPECT_EQ(FileSizeOf(path), 5);
    const QFileInfo info(path);
    const QDateTime when = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    const QLocale locale;
    EXPECT_EQ(FileDateText(path), locale.toString(when.date(), QLocale::ShortFormat) + ' ' +
                                      locale.toString(when.time(), QLocale::LongFormat));
    EXPECT_EQ(FileDateText(path + ".gone", "as before"), "as before");
    EXPECT_EQ(FileSizeOf(path + ".gone"), -1);
}

} // namespace
