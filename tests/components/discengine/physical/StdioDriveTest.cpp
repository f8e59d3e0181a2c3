// The physical write path on libburn's stdio pseudo-drives: what reaches the "disc" is read
// back with independent readers and compared byte for byte with what our writer makes.
#include "DataFixture.h"
#include "Readers.h"
#include "support/ScopedEnv.h"

#include "EngineShared.h"
#include "data/Jobs.h"
#include "physical/DataBurn.h"
#include "physical/Libburn.h"

#include "isofs/ImageWriter.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace discengine;
using namespace datatest;

namespace {

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The write errors a recorder saw, for failure messages.
std::string ErrorsOf(Recorder& recorder) {
    std::string text;
    for (const auto& ev : recorder.Events())
        if (ev.kind == "error" && ev.error) {
            text += ev.error->Description();
            if (auto d = ev.error->DeviceError())
                text += " | " + d->Detail() + " | " + d->Context();
            text += "\n";
        }
    return text;
}

// A fixture whose engine has one stdio pseudo-drive (D:) before the store's drives.
struct StdioFixture {
    testsupport::TempDir place;
    fs::path disc = place / "disc.iso";
    testsupport::ScopedEnv env{"PLATTERLY_PHYSICAL_DRIVES", "stdio:" + disc.string()};
    Fixture f;
    std::shared_ptr<IDeviceX> Drive() { return f.engine->FindDevice('D'); }
};

struct EraseEvents : IEngineListener {
    std::mutex mutex;
    std::vector<int> statuses;
    std::shared_ptr<IDeviceErrorX> error;
    void OnEraseStatus(std::int32_t, std::int32_t status, std::int32_t) override {
        std::lock_guard lock(mutex);
        statuses.push_back(status);
    }
    void OnEraseError(std::int32_t, std::shared_ptr<IDeviceErrorX> e) override {
        std::lock_guard lock(mutex);
        error = std::move(e);
    }
};

TEST(StdioBurn, StreamedCompilationIsByteIdenticalToTheImageFileOurWriterMakes) {
    testsupport::TempDir dir;
    fs::create_directories(dir / "src/docs");
    std::ofstream(dir / "src/readme.txt") << "hello disc\n";
    std::ofstream(dir / "src/docs/big.bin", std::ios::binary) << Pattern(3'000'000, 7);
    std::ofstream(dir / "src/docs/small.txt") << Pattern(5000, 8);
    isofs::FileLayout layout;
    layout.addItem((dir / "src/readme.txt").string(), "\\readme.txt");
    layout.addItem("", "\\docs");
    layout.addItem((dir / "src/docs/big.bin").string(), "\\docs\\big.bin");
    layout.addItem((dir / "src/docs/small.txt").string(), "\\docs\\small.txt");
    isofs::ImageOptions options;
    options.fileSystems = isofs::fsIso9660 | isofs::fsJoliet | isofs::fsUdf;
    options.volumeLabel = "STREAMED";
    options.writeTime = 1'700'000'000; // both writes make the very same bytes
    auto reference = isofs::writeImageFile(isofs::ImagePlan::build(layout, options),
                                           *isofs::nativeSourceOpener(), dir / "reference.iso");
    ASSERT_EQ(reference.status, isofs::WriteResult::Status::Completed) << reference.message;

    Recorder recorder;
    auto job = std::make_shared<data::JobShared>();
    job->hub = std::make_shared<ListenerHub>();
    job->hub->Set(&recorder);
    job->running = true;
    auto drive = std::make_shared<physical::PhysicalShared>();
    drive->address = "stdio:" + (dir / "burned.iso").string();
    drive->devicePath = (dir / "burned.iso").string();
    data::ImageSettings settings;
    settings.finalize = true;
    data::RunPhysicalDeviceJob(
        job,
        data::MakePlanSource(isofs::ImagePlan::build(layout, options), isofs::nativeSourceOpener()),
        drive, settings, {});
    ASSERT_EQ(recorder.WaitEnd(), kWriteCompleted) << ErrorsOf(recorder);
    EXPECT_FALSE(job->running);
    const std::string burned = ReadAll(dir / "burned.iso");
    ASSERT_EQ(burned.size(), fs::file_size(dir / "reference.iso"));
    EXPECT_TRUE(burned == ReadAll(dir / "reference.iso")) << "the burned bytes differ";
}

TEST(StdioBurn, TheEngineBurnsACompilationToItsFirstLetterAndVerifiesItThroughTheDevice) {
    StdioFixture s;
    auto files = s.f.MakeTree();
    s.f.image->Volume()->SetLabel("Stdio Disc");
    s.f.image->SetFileSystems(7);
    s.f.image->SetAutoVerify(true);
    s.f.image->SetFinalize(true);
    auto d = s.Drive();
    ASSERT_TRUE(d);
    ASSERT_EQ(d->DeviceId(), "stdio:" + s.disc.string());
    ASSERT_TRUE(s.f.image->WriteToDevice(d));
    ASSERT_EQ(s.f.recorder.WaitEnd(), kWriteCompleted) << ErrorsOf(s.f.recorder);
    WaitForJobsOrDie(*s.f.engine);
    auto statuses = s.f.recorder.Statuses();
    EXPECT_EQ(statuses.front(), kWritePreparing);
    EXPECT_EQ(statuses.back(), kWriteCompleted);
    for (int wanted : {kWriteLeadIn, kWriteClosingTrack, kWriteLeadOut, kWriteUpdatingVolume})
        EXPECT_NE(std::find(statuses.begin(), statuses.end(), wanted), statuses.end()) << wanted;
    int matched = -1, fileStatuses = 0;
    for (const auto& ev : s.f.recorder.Events()) {
        matched = ev.kind == "verifycomplete" ? ev.b : matched;
        fileStatuses += ev.kind == "filestatus";
    }
    EXPECT_EQ(matched, static_cast<int>(files.size()));
    EXPECT_EQ(fileStatuses, static_cast<int>(files.size()));
    EXPECT_EQ(fs::file_size(s.disc), s.f.image->ImageSize());

    // Independent readers see the files of the compilation on the burned "disc".
    std::string label;
    auto joliet = ReadIso(s.disc, true, &label);
    auto udf = ReadUdf(s.disc);
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(joliet[path], bytes) << path;
        EXPECT_EQ(udf[path], bytes) << path;
    }
    EXPECT_EQ(label, "Stdio Disc");
    if (HaveTool("isoinfo")) {
        std::string out;
        ASSERT_EQ(datatest::Run("isoinfo -d -i '" + s.disc.string() + "'", &out), 0);
        EXPECT_NE(out.find("Joliet with UCS level 3 found"), std::string::npos) << out;
    }
}

TEST(StdioBurn, AnIsoImageFileIsBurnedByteForByte) {
    StdioFixture s;
    s.f.MakeTree();
    s.f.image->SetFileSystems(5);
    const fs::path iso = s.f.dir / "made.iso";
    ASSERT_TRUE(s.f.image->WriteToImageFile(iso));
    ASSERT_EQ(s.f.recorder.WaitEnd(), kWriteCompleted) << ErrorsOf(s.f.recorder);
    WaitForJobsOrDie(*s.f.engine);
    Recorder second;
    s.f.engine->SetListener(&second);
    ASSERT_TRUE(s.f.image->WriteImageFileToDevice(iso, s.Drive()));
    ASSERT_EQ(second.WaitEnd(), kWriteCompleted) << ErrorsOf(second);
    WaitForJobsOrDie(*s.f.engine);
    s.f.engine->SetListener(&s.f.recorder);
    EXPECT_TRUE(ReadAll(s.disc) == ReadAll(iso));
    EXPECT_EQ(fs::file_size(s.disc), fs::file_size(iso));
}

TEST(StdioBurn, DiscAtOnceIsTheDataCodeOrTheAudioCodeAndNothingElse) {
    data::ImageSettings s;
    for (std::int32_t mode : {248, 232})
        EXPECT_TRUE((s.writeMode = mode, data::WritesSessionAtOnce(s))) << mode;
    for (std::int32_t mode : {2, 0, 1, 247})
        EXPECT_FALSE((s.writeMode = mode, data::WritesSessionAtOnce(s))) << mode;
}

TEST(StdioBurn, TestModeRunsEveryStepAndWritesNothing) {
    StdioFixture s;
    s.f.MakeTree();
    s.f.image->SetTestMode(true);
    ASSERT_TRUE(s.Drive()->Supports(kCapTestWrite));
    ASSERT_TRUE(s.f.image->WriteToDevice(s.Drive()));
    ASSERT_EQ(s.f.recorder.WaitEnd(), kWriteCompleted) << ErrorsOf(s.f.recorder);
    WaitForJobsOrDie(*s.f.engine);
    std::error_code ec;
    EXPECT_TRUE(!fs::exists(s.disc) || fs::file_size(s.disc, ec) == 0)
        << "a simulated write left " << fs::file_size(s.disc, ec) << " bytes";
}

TEST(StdioBurn, CancelStopsTheDriveAndTheWriterAndEndsCancelled) {
    StdioFixture s;
    s.f.MakeTree();
    std::ofstream(s.f.dir / "src/large.bin", std::ios::binary) << Pattern(24'000'000, 9);
    s.f.image->Layout()->AddItem((s.f.dir / "src/large.bin").string(), "\\large.bin");
    // Asked as the lead-in starts: before the drive has taken the first block.
    s.f.recorder.cancelWhen = [](int status, int) { return status == kWriteLeadIn; };
    ASSERT_TRUE(s.f.image->WriteToDevice(s.Drive()));
    EXPECT_EQ(s.f.recorder.WaitEnd(), kWriteCancelled) << ErrorsOf(s.f.recorder);
    WaitForJobsOrDie(*s.f.engine);
    for (const auto& ev : s.f.recorder.Events())
        EXPECT_NE(ev.kind, "error") << "a cancel is not an error";
    std::error_code ec;
    EXPECT_LT(fs::file_size(s.disc, ec), 24'000'000u);
    // The drive is free again: a second burn runs to the end.
    s.f.recorder.cancelWhen = nullptr;
    Recorder second;
    s.f.engine->SetListener(&second);
    ASSERT_TRUE(s.f.image->WriteToDevice(s.Drive()));
    EXPECT_EQ(second.WaitEnd(), kWriteCompleted) << ErrorsOf(second);
    WaitForJobsOrDie(*s.f.engine);
    s.f.engine->SetListener(&s.f.recorder);
}

TEST(StdioBurn, ASourceThatVanishedIsASourceFileErrorNamingIt) {
    StdioFixture s;
    s.f.MakeTree();
    const fs::path gone = s.f.dir / "src/gone.bin";
    std::ofstream(gone, std::ios::binary) << Pattern(10000, 4);
    s.f.image->Layout()->AddItem(gone.string(), "\\gone.bin");
    fs::remove(gone);
    ASSERT_TRUE(s.f.image->WriteToDevice(s.Drive()));
    EXPECT_EQ(s.f.recorder.WaitEnd(), kWriteError) << ErrorsOf(s.f.recorder);
    WaitForJobsOrDie(*s.f.engine);
    std::shared_ptr<IWriteErrorX> error;
    for (const auto& ev : s.f.recorder.Events())
        if (ev.kind == "error")
            error = ev.error;
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Kind(), kWriteErrorSourceFile);
    ASSERT_TRUE(error->FileError());
    EXPECT_EQ(error->FileError()->Path(), gone.string());
}

TEST(StdioDrive, ReportsAWritableDriveAndRefusesToEraseOrEject) {
    StdioFixture s;
    auto d = s.Drive();
    ASSERT_TRUE(d->Refresh(true));
    EXPECT_TRUE(d->IsWriter());
    EXPECT_TRUE(d->Supports(22)) << "a pseudo-drive writes like a DVD-RAM recorder";
    EXPECT_TRUE(d->MediumProblem().empty()) << d->MediumProblem();
    auto info = d->DiscInfo();
    EXPECT_EQ(info->MediaType(), kMediaDVDRAM);
    EXPECT_EQ(info->DiscStatus(), kDiscEmpty);
    EXPECT_TRUE(info->IsOpen());
    EXPECT_GT(d->FreeBlocks(true), 0);
    EXPECT_EQ(d->UsedBlocks(false), 0);
    EXPECT_EQ(d->WriteSpeedCount(), 0) << "no speeds: the lists offer Max";
    EXPECT_THROW(d->WriteSpeed(0), EngineError);
    EXPECT_NE(d->Description().find(s.disc.string()), std::string::npos);

    EraseEvents events;
    s.f.engine->SetListener(&events);
    ASSERT_TRUE(d->Erase(true, 0));
    WaitForJobsOrDie(*s.f.engine);
    s.f.engine->SetListener(&s.f.recorder);
    EXPECT_EQ(events.statuses, std::vector<int>{kEraseFailed}) << "refused before it starts";
    ASSERT_TRUE(events.error);
    EXPECT_EQ(events.error->ErrorCode(), kErrNotErasable);
    EXPECT_NE(events.error->Context().find(s.disc.string()), std::string::npos);

    EXPECT_FALSE(d->Eject()) << "a file has no tray";
    EXPECT_FALSE(d->IsTrayOpen());
}

TEST(StdioDrive, ADeviceThatCannotBeOpenedIsNamedWithWhatToDo) {
    testsupport::TempDir place;
    const std::string missing = (place / "no-such-dir/sr9").string();
    testsupport::ScopedEnv env("PLATTERLY_PHYSICAL_DRIVES", missing);
    Fixture f;
    auto d = f.engine->FindDevice('D');
    ASSERT_TRUE(d);
    EXPECT_EQ(d->DeviceId(), missing);
    d->Refresh(true);
    EXPECT_EQ(d->DiscInfo()->MediaType(), kMediaNone);
    EXPECT_NE(d->MediumProblem().find(missing), std::string::npos) << d->MediumProblem();
    EXPECT_THROW(d->Volume(), EngineError);

    f.MakeTree();
    ASSERT_TRUE(f.image->WriteToDevice(d));
    EXPECT_EQ(f.recorder.WaitEnd(), kWriteError) << ErrorsOf(f.recorder);
    WaitForJobsOrDie(*f.engine);
    std::shared_ptr<IWriteErrorX> error;
    for (const auto& ev : f.recorder.Events())
        if (ev.kind == "error")
            error = ev.error;
    ASSERT_TRUE(error && error->DeviceError());
    EXPECT_EQ(error->Kind(), kWriteErrorDevice);
    EXPECT_NE(error->DeviceError()->Detail().find(missing), std::string::npos)
        << error->DeviceError()->Detail();
    // The store's drives follow and still work.
    EXPECT_EQ(f.engine->FindDevice('E')->DeviceId().rfind("virtual:", 0), 0u);
}

TEST(AccessProblem, NamesTheDeviceAndTheRemedy) {
    testsupport::TempDir place;
    const fs::path node = place / "sr0";
    EXPECT_NE(physical::AccessProblem(node.string(), "").find("does not exist"), std::string::npos);
    std::ofstream(node) << "x";
    fs::permissions(node, fs::perms::none);
    std::string text = physical::AccessProblem(node.string(), "libburn said no");
    EXPECT_NE(text.find(node.string()), std::string::npos);
    EXPECT_NE(text.find("libburn said no"), std::string::npos);
    if (::geteuid() != 0) // root opens anything: the permission case needs a plain user
        EXPECT_NE(text.find("cdrom"), std::string::npos) << text;
    else
        EXPECT_NE(text.find("in use by another program"), std::string::npos) << text;
}

} // namespace

namespace {

// A CD-format WAV of `seconds` of a quiet ramp.
void WriteCdWav(const fs::path& file, int seconds) {
    const std::uint32_t data = static_cast<std::uint32_t>(seconds) * 44100 * 4;
    auto le32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    auto le16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string wav = "RIFF" + le32(36 + data) + "WAVEfmt " + le32(16) + le16(1) + le16(2) +
                      le32(44100) + le32(44100 * 4) + le16(4) + le16(16) + "data" + le32(data);
    wav += Pattern(data, 5);
    std::ofstream(file, std::ios::binary) << wav;
}

// libburn's pseudo-drives take no audio tracks: the burn stops at the medium check, before
// anything reaches the "disc", with an error that says what the drive would need.
TEST(StdioDrive, AnAudioBurnNeedsACdAndWritesNothingElsewhere) {
    StdioFixture s;
    WriteCdWav(s.f.dir / "one.wav", 5);
    auto audio = s.f.engine->AudioImage();
    ASSERT_TRUE(audio->InsertTrack(s.f.dir / "one.wav", 1));
    ASSERT_TRUE(audio->WriteToDevice(s.Drive()));
    EXPECT_EQ(s.f.recorder.WaitEnd(), kWriteError);
    WaitForJobsOrDie(*s.f.engine);
    std::shared_ptr<IWriteErrorX> error;
    for (const auto& ev : s.f.recorder.Events())
        if (ev.kind == "error")
            error = ev.error;
    ASSERT_TRUE(error && error->DeviceError());
    EXPECT_NE(error->Description().find("audio tracks need a CD-R or CD-RW"), std::string::npos)
        << error->Description();
    EXPECT_NE(error->DeviceError()->Context().find("(" + s.disc.string() + ")"), std::string::npos)
        << "the error names the device";
    std::error_code ec;
    EXPECT_FALSE(fs::exists(s.disc, ec)) << "nothing was written";
}

} // namespace

namespace {

TEST(StdioDrive, LookingAtTheDriveWhileItBurnsKeepsTheLastAnswersAndTheTrayShut) {
    StdioFixture s;
    s.f.MakeTree();
    s.f.image->SetFinalize(true);
    auto d = s.Drive();
    ASSERT_TRUE(d->Refresh(true));
    std::string problemDuringBurn = "not asked";
    bool ejectedDuringBurn = true;
    s.f.recorder.cancelWhen = [&](int status, int) {
        if (status == kWriteLeadIn) { // the job holds the drive now
            d->Refresh(true);
            problemDuringBurn = d->MediumProblem();
            ejectedDuringBurn = d->Eject();
        }
        return false;
    };
    ASSERT_TRUE(s.f.image->WriteToDevice(d));
    EXPECT_EQ(s.f.recorder.WaitEnd(), kWriteCompleted) << ErrorsOf(s.f.recorder);
    WaitForJobsOrDie(*s.f.engine);
    EXPECT_EQ(problemDuringBurn, "") << "a second grab of a busy drive was attempted";
    EXPECT_FALSE(ejectedDuringBurn);
    EXPECT_EQ(fs::file_size(s.disc), s.f.image->ImageSize());
}

} // namespace
