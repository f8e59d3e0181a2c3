#pragma once

#include "app/Shell.h"
#include "discengine/Engine.h"

#include <QWidget>
#include <memory>

class QAbstractButton;
class QLabel;
class QStackedWidget;
class TDVDEngineX;
class TIntroPage;
class TReadCDPage;
class TBurnCDPage;
class TCopyCDPage;
class TEraseDiscPage;
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

// The main window frame: navigation bar, title picture, the five pages, start-up, page
// switching and closing. The pages' logic lives in their own classes.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMain(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up: splash, engine, captions, Introduction page. False when the engine could not be
    // initialised (the message was shown; the program ends).
    bool FormCreate();
    // The windows created after the main window, shared with the pages.
    void AttachWindows(const AttachedWindows& windows);
    void ApplyLanguage();
    // Exit: config.ini gets its defaults, the options are saved and applied.
    void FormDestroy();

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
    void BuildNavigation();
    void ReadDiscKindChanged(int kind);
    void ShowPage(QWidget* page);

    app::Shell shell_;
    std::unique_ptr<TDVDEngineX> engine_;
    int splashMs_;
    app::NavigationBar* navigation_;
    QLabel* imgTitle;
    QStackedWidget* pgcMain;
    TIntroPage* tabMain;
    TReadCDPage* tabReadCD;
    TBurnCDPage* tabBurnCD;
    TCopyCDPage* tabCopyCD;
    TEraseDiscPage* tabEraseDisc;
    TfrmSettings* settings_ = nullptr;
    TfrmRipOptions* ripOptions_ = nullptr;
    TAboutForm* about_ = nullptr;
};
