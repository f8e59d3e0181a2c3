// `tree DIR FILES FOLDERS` makes the benchmark's tree of small files; `run TREE OUT.iso WORK
// [verify]` adds TREE to a fresh data compilation through the Burn CD page and writes it to
// OUT.iso as ISO 9660 + Joliet + UDF (what `genisoimage -J -udf` writes), with "Auto-Verify Data"
// only when asked, printing the time, the peak memory and the longest event-loop stall of each
// step.
#include "app/TfrmMain.h"
#include "core/Startup.h"
#include "discengine/Disc.h"
#include "discengine/VirtualStore.h"
#include "main/MainWindows.h"
#include "ui/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int MakeTree(const fs::path& root, int files, int folders) {
    std::string content;
    for (int i = 0; i < files; ++i) {
        const fs::path folder = root / ("folder" + std::to_string(i % folders));
        if (i < folders)
            fs::create_directories(folder);
        // 100 bytes to a little over 4 KB, varied so that files differ.
        content.assign(100 + (i * 37) % 4000, static_cast<char>('a' + i % 26));
        const std::string name = (folder / ("file" + std::to_string(i) + ".txt")).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 ||
            ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
            std::cerr << "cannot write " << name << '\n';
            return 1;
        }
        ::close(fd);
    }
    return 0;
}

// The process's peak resident memory so far, in KB.
long PeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Starts a new peak count, so each step's peak is its own.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The longest time the event loop did not get to run, seen by a timer ticking every 10 ms.
class StallMeter {
public:
    StallMeter() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        longest_ = 0;
        clock_.start();
        timer_.start();
    }
    qint64 Stop() {
        QCoreApplication::processEvents(); // the tail since the last tick counts too
        Tick();
        timer_.stop();
        return longest_;
    }

private:
    void Tick() { longest_ = std::max(longest_, clock_.restart()); }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

template <typename W> W* Find(app::MainWindows& windows, const char* name) {
    auto* w = windows.main->findChild<W*>(QString::fromLatin1(name));
    if (!w)
        throw std::runtime_error(std::string("no control ") + name);
    return w;
}

int Run(const fs::path& tree, const fs::path& iso, const fs::path& work, bool verify) {
    core::RunStartup(work);
    discengine::VirtualStore store(work / "drives");
    fs::create_directories(store.Root());
    discengine::DriveConfig writer;
    writer.writer = true;
    store.AddDrive("1-writer", writer);
    store.InsertBlank('D', discengine::kMediaCDR);
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    MainWindowOptions options;
    options.engine.store = store.Root();
    options.engine.createDefaultStore = false;
    options.splashMs = 0;
    auto windows = app::CreateMainWindows(options);
    if (!windows->started)
        return 1;
    windows->main->show();
    Find<QAbstractButton>(*windows, "grpMainFunctionsItems2")->click();
    auto* types = Find<QComboBox>(*windows, "cmbWrite_CDType");
    types->setCurrentIndex(1);
    emit types->activated(1);
    auto* burnOptions = windows->burnOptions.get();
    auto* fileSystems = burnOptions->findChild<QComboBox*>("cmbVolumeType");
    fileSystems->setCurrentIndex(fileSystems->findData(7));
    burnOptions->findChild<QCheckBox*>("chkAutoVerifyData")->setChecked(verify);
    QCoreApplication::processEvents();
    const long baseKb = PeakKb();

    StallMeter stalls;
    ResetPeak();
    prompts.AnswerFolder(QString::fromStdString(tree.string()));
    QElapsedTimer clock;
    clock.start();
    stalls.Start();
    Find<QAbstractButton>(*windows, "btnWrite_AddFolder")->click();
    const qint64 addStall = stalls.Stop();
    const double addSeconds = clock.nsecsElapsed() / 1e9;
    const long addPeakKb = PeakKb();
    const QString counter = Find<QLabel>(*windows, "lblWrite_FileCounter")->text();

    ResetPeak();
    Find<QCheckBox>(*windows, "chkWrite_WriteToISO")->setChecked(true);
    prompts.AnswerFile(QString::fromStdString(iso.string()));
    auto& shell = windows->main->Shared();
    clock.restart();
    stalls.Start();
    Find<QAbstractButton>(*windows, "btnWrite_Start")->click();
    QEventLoop wait;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (shell.Idle() && shell.JobOwner() == nullptr)
            wait.quit();
    });
    poll.start(5);
    wait.exec();
    const qint64 writeStall = stalls.Stop();
    const double writeSeconds = clock.nsecsElapsed() / 1e9;
    const long writePeakKb = PeakKb();

    const auto boxes = prompts.Boxes();
    const QString last = boxes.empty() ? QString() : boxes.back().text;
    std::cout << "counter " << counter.toStdString() << '\n'
              << "base_kb " << baseKb << '\n'
              << "add_s " << addSeconds << '\n'
              << "add_peak_kb " << addPeakKb << '\n'
              << "add_stall_ms " << addStall << '\n'
              << "write_s " << writeSeconds << '\n'
              << "write_peak_kb " << writePeakKb << '\n'
              << "write_stall_ms " << writeStall << '\n'
              << "boxes " << boxes.size() << '\n'
              << "last_box " << last.toStdString() << '\n';
    return last == "Write Completed!" && fs::exists(iso) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "tree")
        return MakeTree(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
    const bool verify = argc == 6 && std::string(argv[5]) == "verify";
    if ((argc != 5 && !verify) || std::string(argv[1]) != "run") {
        std::cerr << "usage: " << argv[0]
                  << " tree DIR FILES FOLDERS | run TREE OUT.iso WORK [verify]\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return Run(argv[2], argv[3], argv[4], verify);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}
