#include "app/MainWindows.h"

namespace app {

MainWindows::~MainWindows() {
    // The main window's pages refer to the other windows: it goes first.
    main.reset();
}

std::unique_ptr<MainWindows> CreateMainWindows(MainWindowOptions options) {
    auto w = std::make_unique<MainWindows>();
    w->main = std::make_unique<TfrmMain>(std::move(options));
    if (!w->main->FormCreate())
        return w;
    w->log = std::make_unique<TfrmLog>();
    w->settings = std::make_unique<TfrmSettings>();
    w->ripOptions = std::make_unique<TfrmRipOptions>();
    w->progress = std::make_unique<TfrmProgress>(w->log.get());
    w->burnOptions = std::make_unique<TfrmBurnOptions>();
    w->about = std::make_unique<TAboutForm>();
    w->main->AttachWindows({w->log.get(), w->settings.get(), w->ripOptions.get(), w->progress.get(),
                            w->burnOptions.get(), w->about.get()});
    w->started = true;
    return w;
}

} // namespace app
