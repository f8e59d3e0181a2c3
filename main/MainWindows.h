#pragma once

#include "app/TAboutForm.h"
#include "app/TfrmLog.h"
#include "app/TfrmMain.h"
#include "app/TfrmProgress.h"
#include "dialogs/TfrmBurnOptions.h"
#include "dialogs/TfrmRipOptions.h"
#include "dialogs/TfrmSettings.h"

#include <memory>

namespace app {

// The program's windows, created once in start-up order: the main window with its pages (its
// start-up runs first), the log, settings, rip options, progress, burn options and about windows.
// This is where the pages are registered with the shell; no page knows another.
struct MainWindows {
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmLog> log;
    std::unique_ptr<TfrmSettings> settings;
    std::unique_ptr<TfrmRipOptions> ripOptions;
    std::unique_ptr<TfrmProgress> progress;
    std::unique_ptr<TfrmBurnOptions> burnOptions;
    std::unique_ptr<TAboutForm> about;
    bool started = false; // false: the engine failed and the program ends
    ~MainWindows();
};

std::unique_ptr<MainWindows> CreateMainWindows(MainWindowOptions options = {});

} // namespace app
