#include "CopyFixture.h"

#include "AudioBurnSupport.h"

#include "core/globals.h"
#include "discengine/Disc.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>

#include <fstream>

namespace fs = std::filesystem;

void CopyPage::SetUp() {
    globals::ProgramDir = std::string(PLATTERLY_DIST_DIR) + "/";
    fs::create_directories(TempDir());
    globals::TempDir = (TempDir() / "").string();
    // The status lines reach the log window, where the tests look for them.
    globals::EnableLog = true;
    shell.SetCurrentPage(app::PageId::CopyCD);
    shell.Log = &log;
    shell.Progress = &progress;
    shell.BurnOptions = &burnOptions;
}

void CopyPage::TearDown() {
    if (engine)
        engine->WaitForJobs();
    page.reset();
}

void CopyPage::Open(const std::function<void(discengine::VirtualStore&)>& change) {
    discengine::VirtualStore store = Store();
    MakeCopyStore(store);
    if (change)
        change(store);
    discengine::EngineOptions options;
    options.store = store.Root();
    engine = std::make_unique<TDVDEngineX>(options);
    ASSERT_TRUE(engine->Initialize(0));
    shell.SetEngine(engine.get());
    page = std::make_unique<TCopyCDPage>(shell, &window);
    page->SetPollIntervalForTests(std::chrono::milliseconds(2));
    if (!grabberLibrary.isEmpty())
        page->SetGrabberLibraryForTests(grabberLibrary);
    page->ApplyLanguage();
    page->Enter();
}

void MakeCopyStore(const discengine::VirtualStore& store) {
    fs::create_directories(store.Root());
    store.AddDrive("1-reader", discengine::DriveConfig{});
    discengine::DriveConfig writer;
    writer.writer = true;
    writer.capabilities = {discengine::kCapTestWrite, discengine::kCapBufferProtect};
    writer.maxWriteSpeed = 7056;
    writer.cdWriteSpeeds = {7056, 3528};
    store.AddDrive("2-writer", writer);
    store.AddDrive("3-writer", writer);
    store.InsertSampleAudio('D');
    store.InsertBlank('E', discengine::kMediaCDRW);
    store.InsertSampleData('F');
}

void CopyPage::ChooseSource(int position) {
    auto* list = Find<QComboBox>("cmbCopyCD_ReadDevice");
    list->setCurrentIndex(position);
    emit list->activated(position);
}

void CopyPage::ChooseDestination(int position) {
    auto* list = Find<QComboBox>("cmbCopyCD_WriteDevice");
    list->setCurrentIndex(position);
    emit list->activated(position);
}

void CopyPage::Start() {
    auto* start = Find<QPushButton>("btnCopyCD_Start");
    ASSERT_TRUE(start->isEnabled());
    start->click();
}

bool CopyPage::WaitForJobEnd() {
    QDeadlineTimer deadline(180000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (shell.Idle() && shell.JobOwner() == nullptr) {
            engine->WaitForJobs();
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

QStringList CopyPage::BoxTexts() const {
    QStringList texts;
    for (const auto& box : prompts.Boxes())
        texts << box.text;
    return texts;
}

std::vector<fs::path> CopyPage::TempFiles() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(TempDir()))
        files.push_back(entry.path());
    return files;
}

fs::path WriteAudioDisc(const fs::path& folder, const std::vector<std::int32_t>& frames,
                        const discengine::AudioDiscText& text) {
    fs::create_directories(folder);
    std::ofstream bin(folder / "own.bin", std::ios::binary);
    std::uint32_t x = 12345;
    for (std::int32_t length : frames) {
        std::string sector(2352, '\0');
        for (std::int32_t f = 0; f < length; ++f) {
            for (std::size_t i = 0; i < sector.size(); i += 2) {
                x = x * 1664525u + 1013904223u;
                const auto sample = static_cast<std::int16_t>((x >> 16) % 12000 - 6000);
                sector[i] = static_cast<char>(sample & 0xff);
                sector[i + 1] = static_cast<char>((sample >> 8) & 0xff);
            }
            bin.write(sector.data(), static_cast<std::streamsize>(sector.size()));
        }
    }
    bin.close();
    discengine::WriteCueSheet(folder / "own.cue", "own.bin", frames, text);
    return folder / "own.cue";
}

void ExpectSameAudio(const fs::path& sourceCue, const fs::path& copyCue) {
    const auto source = audioburn::ReadDisc(sourceCue);
    const auto copy = audioburn::ReadDisc(copyCue);
    ASSERT_GT(source.tracks, 0);
    ASSERT_EQ(copy.tracks, source.tracks);
    for (int t = 0; t < source.tracks; ++t) {
        const std::size_t size = source.pcm[t].size();
        ASSERT_GE(copy.pcm[t].size(), size) << "track " << t + 1;
        EXPECT_TRUE(copy.pcm[t].compare(0, size, source.pcm[t]) == 0)
            << "track " << t + 1 << " differs";
        EXPECT_EQ(copy.pcm[t].find_first_not_of('\0', size), std::string::npos)
            << "track " << t + 1 << " has more than silence after it";
        const int gap = t + 1 < source.tracks ? 150 : 0;
        EXPECT_EQ(copy.lengths[t], source.lengths[t] + gap) << "track " << t + 1;
    }
    EXPECT_EQ(copy.titles, source.titles);
}
