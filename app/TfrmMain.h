#pragma once

#include "app/Page.h"
#include "app/Shell.h"
#include "discengine/Engine.h"

#include <QWidget>
#include <memory>
#include <vector>

class QAbstractButton;
class QLabel;
class QStackedWidget;
class TDVDEngineX;
class TIntroPage;
class TfrmLog;
class TfrmSettings;
class TfrmProgress;
class TfrmBurnOptions;
class TfrmRipOptions;
class TAboutForm;
namespace app {
class NavigationBar;
}

// The windows created after the main window that its pages and items use.
struct AttachedWindows {
    TfrmLog* log = nullptr;
    TfrmSettings* settings = nullptr;
    TfrmRipOptions* ripOptions = nullptr;
    TfrmProgress* progress = nullptr;
    TfrmBurnOptions* burnOptions = nullptr;
    TAboutForm* about = nullptr;
};

struct MainWindowOptions {
    discengine::EngineOptions engine;
    int splashMs = 1500;
};

// The main window frame: navigation bar, title picture, the Introduction page and the pages
// registered with it, start-up, page switching and closing. The pages' logic lives in their own
// classes, which the frame knows only as app::IPage.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMain(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Registers a page (before FormCreate): it gets the next navigation item after those of the
    // pages registered before it. `page` lives in PageParent().
    void AddPage(app::PageId id, app::IPage& page, const app::PageInfo& info);
    QWidget* PageParent() const;

    // Start-up: splash, engine, captions, Introduction page. False when the engine could not be
    // initialised (the message was shown; the program ends).
    bool FormCreate();
    // The windows created after the main window, shared with the pages.
    void AttachWindows(const AttachedWindows& windows);
    void ApplyLanguage();
    // Exit: config.ini gets its defaults, the options are saved and applied.
    void FormDestroy();
    // A request from outside to end the program (the updater): no question; refused (false)
    // while a job runs, so a disc is never left half written.
    bool CloseOnRequest();

    void grpMainFunctionsItemClick(int item);
    void grpOptionsItems0Click();
    void grpOptionsItems1Click();
    void grpOptionsItems2Click();
    void grpOptionsItems4Click();
    void ActHelpExecute();

    app::Shell& Shared() { return shell_; }
    TDVDEngineX& DVDEngine() { return *engine_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct PageEntry {
        app::PageId id;
        app::IPage* page;
        app::PageInfo info;
    };
    void BuildNavigation();
    void OptionsOffered(bool rip, bool burn);
    void ShowPage(QWidget* page);
    const PageEntry* Entry(app::PageId id) const;

    app::Shell shell_;
    std::unique_ptr<TDVDEngineX> engine_;
    int splashMs_;
    app::NavigationBar* navigation_;
    QLabel* imgTitle;
    QStackedWidget* pgcMain;
    TIntroPage* tabMain;
    std::vector<PageEntry> pages_;
    bool navigationBuilt_ = false;
    bool closeRequested_ = false;
    TfrmSettings* settings_ = nullptr;
    TfrmRipOptions* ripOptions_ = nullptr;
    TAboutForm* about_ = nullptr;
};
