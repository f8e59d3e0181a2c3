#pragma once

#include "app/Shell.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "copy/TCopyCDPage.h"
#include "dialogs/TfrmBurnOptions.h"
#include "engine/DVDEngineBinding.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include "discengine/SampleAudioDisc.h"
#include "discengine/VirtualStore.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

// The Copy CD page on a real engine and the bundle's grabbing library, with every box answered
// by the script. The store: D: a reader holding the sample audio CD, E: a recorder holding a
// blank 80-minute CD-RW, F: a recorder holding the sample data CD; `Fill` may change it before
// the page is entered.
class CopyPage : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Makes the store (then lets `change` alter it), the engine, and enters the page.
    void Open(const std::function<void(discengine::VirtualStore&)>& change = {});
    discengine::VirtualStore Store() const { return discengine::VirtualStore(dir / "drives"); }

    template <typename W> W* Find(const char* name) {
        auto* w = page->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Picks a position of the source list (all drives) or the destination list (writers).
    void ChooseSource(int position);
    void ChooseDestination(int position);
    void Start();
    // Runs the events until the copy ended (the page idle and no engine job heard).
    bool WaitForJobEnd();
    QStringList BoxTexts() const;
    // Files left in the temporary folder, recursively.
    std::vector<std::filesystem::path> TempFiles() const;
    std::filesystem::path TempDir() const { return dir / "temp"; }
    std::filesystem::path DriveFolder(char letter) const { return Store().FolderOf(letter); }

    // The grabbing library the page loads at Enter; empty: the bundle's.
    QString grabberLibrary;
    testsupport::TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
    QWidget window;
    app::Shell shell{&window};
    TfrmLog log;
    TfrmProgress progress{&log, &shell};
    TfrmBurnOptions burnOptions;
    std::unique_ptr<TDVDEngineX> engine;
    std::unique_ptr<TCopyCDPage> page;
};

// The copy holds every track of the source to the byte (track-at-once adds two seconds of
// silence before every track but the first), as libcdio reads the two cue sheets.
void ExpectSameAudio(const std::filesystem::path& sourceCue, const std::filesystem::path& copyCue);

// The store the tests start from (see CopyPage).
void MakeCopyStore(const discengine::VirtualStore& store);

// An audio disc of `frames` per track (noise-like PCM) with `text` as CD-Text, as a BIN and cue
// in `folder`; the cue's path.
std::filesystem::path WriteAudioDisc(const std::filesystem::path& folder,
                                     const std::vector<std::int32_t>& frames,
                                     const discengine::AudioDiscText& text);
