#include "BurnFixture.h"

#include "core/Startup.h"
#include "core/globals.h"
#include "discengine/DataImage.h"
#include "discengine/Disc.h"
#include "discengine/VirtualStore.h"
#include "engine/DVDEngineBinding.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <fstream>

namespace fs = std::filesystem;

void BurnPage::Start(bool bufferProtect) {
    core::RunStartup(dir.path());
    discengine::VirtualStore store(dir / "drives");
    fs::create_directories(store.Root());
    store.AddDrive("1-reader", discengine::DriveConfig{});
    discengine::DriveConfig writer;
    writer.writer = true;
    writer.capabilities = {17};
    if (bufferProtect)
        writer.capabilities.push_back(discengine::kCapBufferProtect);
    writer.maxWriteSpeed = 7056;
    writer.cdWriteSpeeds = {7056, 3528};
    store.AddDrive("2-writer", writer);
    store.InsertBlank('E', discengine::kMediaCDRW);
    MainWindowOptions options;
    options.engine.store = store.Root();
    options.engine.createDefaultStore = false;
    options.splashMs = 0;
    windows = app::CreateMainWindows(options);
    ASSERT_TRUE(windows->started);
    Click("grpMainFunctionsItems2");
    ASSERT_EQ(windows->main->Shared().CurrentPage(), app::PageId::BurnCD);
}

void BurnPage::Click(const char* name) {
    auto* button = windows->main->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

void BurnPage::ChooseType(int index) {
    auto* types = Find<QComboBox>("cmbWrite_CDType");
    types->setCurrentIndex(index);
    emit types->activated(index);
}

QStringList BurnPage::BoxTexts() const {
    QStringList texts;
    for (const auto& box : prompts.Boxes())
        texts << box.text;
    return texts;
}

bool BurnPage::WaitForJobEnd() {
    auto& shell = windows->main->Shared();
    QDeadlineTimer deadline(120000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (shell.Idle() && shell.JobOwner() == nullptr) {
            windows->main->DVDEngine().WaitForJobs();
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

void DataBurnPage::StartData(std::size_t bBytes) {
    Start();
    ChooseType(1);
    fs::create_directories(dir / "src" / "sub");
    testsupport::writeFile(dir / "src" / "a.txt", "alpha");
    testsupport::writeFile(dir / "src" / "sub" / "b.txt", std::string(bBytes, 'b'));
}

void DataBurnPage::AddSourceFolder() {
    prompts.AnswerFolder(Src());
    Click("btnWrite_AddFolder");
}

std::shared_ptr<discengine::IFileLayoutX> DataBurnPage::Layout() {
    return windows->main->DVDEngine().DataImage()->Layout();
}

void WriteCdWav(const fs::path& file, double seconds, unsigned seed, bool sparse) {
    const auto frames = static_cast<std::uint32_t>(seconds * 44100);
    const std::uint32_t data = frames * 4;
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + data);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(data);
    if (sparse) {
        out.close();
        fs::resize_file(file, 44 + static_cast<std::uintmax_t>(data));
        return;
    }
    std::uint32_t x = seed * 2654435761u + 1;
    std::string pcm(data, '\0');
    for (std::uint32_t i = 0; i < data; i += 2) {
        x = x * 1664525u + 1013904223u;
        const auto sample = static_cast<std::int16_t>((x >> 16) % 8000 - 4000);
        pcm[i] = static_cast<char>(sample & 0xff);
        pcm[i + 1] = static_cast<char>((sample >> 8) & 0xff);
    }
    out.write(pcm.data(), static_cast<std::streamsize>(pcm.size()));
}

bool Ffmpeg(const QStringList& arguments) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}
