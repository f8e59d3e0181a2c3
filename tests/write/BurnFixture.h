#pragma once

#include "app/TfrmMain.h"
#include "main/MainWindows.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include <QLabel>
#include <QStringList>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

// The real main window on a temporary store: D: a reader, E: a recorder holding a blank
// 80-minute CD-RW (buffer-underrun protection unless told otherwise), the Burn CD page shown,
// every box and dialog answered by the script.
class BurnPage : public ::testing::Test {
protected:
    void Start(bool bufferProtect = true);
    template <typename W> W* Find(const char* name) {
        auto* w = windows->main->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(const char* name);
    void ChooseType(int index);
    QTreeWidget* List() { return Find<QTreeWidget>("lstWrite"); }
    QTreeWidget* Tree() { return Find<QTreeWidget>("trvWrite"); }
    QString Cell(int row, int column) { return List()->topLevelItem(row)->text(column); }
    QString Label(const char* name) { return Find<QLabel>(name)->text(); }
    QStringList BoxTexts() const;
    // Runs the event loop until the page's job ended with one of its closing states.
    bool WaitForJobEnd();
    std::filesystem::path WriterFolder() const { return dir / "drives" / "2-writer"; }

    testsupport::TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    std::unique_ptr<app::MainWindows> windows;
};

namespace discengine {
class IFileLayoutX;
}

// The page in Data CD mode beside a source folder src holding a.txt ("alpha") and sub/b.txt.
class DataBurnPage : public BurnPage {
protected:
    void StartData(std::size_t bBytes);
    QString Src() const { return QString::fromStdString((dir / "src").string()); }
    void AddSourceFolder();
    std::shared_ptr<discengine::IFileLayoutX> Layout();
};

// A CD-format WAV (44.1 kHz, 16-bit stereo) of `seconds` of noise-like music; `sparse` leaves
// the data as a hole (silence) so hours cost no disk space.
void WriteCdWav(const std::filesystem::path& file, double seconds, unsigned seed,
                bool sparse = false);
// Runs ffmpeg with these arguments; true when it succeeded.
bool Ffmpeg(const QStringList& arguments);
