#include "main/MainWindows.h"

#include "copy/TCopyCDPage.h"
#include "erase/TEraseDiscPage.h"
#include "preview/TAudioPreview.h"
#include "read/TReadCDPage.h"
#include "write/TBurnCDPage.h"

namespace app {

namespace {

// The pages in the navigation bar's order, each with its item, title and Options items.
void RegisterPages(TfrmMain& main) {
    app::Shell& shell = main.Shared();
    QWidget* parent = main.PageParent();
    auto* read = new TReadCDPage(shell, parent);
    main.AddPage(PageId::ReadCD, *read,
                 {"ReadCD", IDS_MAIN_BUTTON_ReadCD, IDS_READCD_LABEL_Title, true, true});
    main.AddPage(PageId::BurnCD, *new TBurnCDPage(shell, parent),
                 {"WriteCD", IDS_MAIN_BUTTON_WriteCD, IDS_WRITECD_LABEL_Title, false, true});
    main.AddPage(PageId::CopyCD, *new TCopyCDPage(shell, parent),
                 {"CopyCD", IDS_MAIN_BUTTON_CopyCD, IDS_COPYCD_LABEL_Title, false, true});
    main.AddPage(PageId::EraseDisc, *new TEraseDiscPage(shell, parent),
                 {"EraseDisc", IDS_MAIN_BUTTON_EraseDisc, IDS_ERASEDISC_LABEL_Title, false, false});
    // The main window keeps the one preview window the read page's "Play" opens.
    auto* preview = new TAudioPreview(shell, &main);
    QObject::connect(read, &TReadCDPage::PlayTrackRequested, preview,
                     &TAudioPreview::mniRead_PlayClick);
}

} // namespace

MainWindows::~MainWindows() {
    // The main window's pages refer to the other windows: it goes first.
    main.reset();
}

std::unique_ptr<MainWindows> CreateMainWindows(MainWindowOptions options) {
    auto w = std::make_unique<MainWindows>();
    w->main = std::make_unique<TfrmMain>(std::move(options));
    RegisterPages(*w->main);
    if (!w->main->FormCreate())
        return w;
    w->log = std::make_unique<TfrmLog>();
    w->settings = std::make_unique<TfrmSettings>();
    w->ripOptions = std::make_unique<TfrmRipOptions>();
    w->progress = std::make_unique<TfrmProgress>(w->log.get(), &w->main->Shared());
    w->burnOptions = std::make_unique<TfrmBurnOptions>();
    w->about = std::make_unique<TAboutForm>();
    w->main->AttachWindows({w->log.get(), w->settings.get(), w->ripOptions.get(), w->progress.get(),
                            w->burnOptions.get(), w->about.get()});
    w->started = true;
    return w;
}

} // namespace app
