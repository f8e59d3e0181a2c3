#pragma once

#include "core/MultiLanguages.h"

#include <QWidget>

namespace app {

// How a page sits in the main window: its navigation item, its title (the window's caption and
// the note shown when another page is asked for while its job runs) and the Options items it
// leaves usable.
struct PageInfo {
    const char* icon;  // navigation icon file name without ".png"
    LangId navigation; // the navigation item's text
    LangId title;
    bool ripOptions; // false: entering the page turns the Rip item off (the page decides later)
    bool burnOptions;
};

// A page of the main window. It is written in its own folder and registered with the main
// window (TfrmMain::AddPage); the shell knows it only through this.
class IPage {
public:
    virtual ~IPage() = default;
    virtual QWidget* PageWidget() = 0;
    virtual void ApplyLanguage() = 0;
    // The page's set-up each time it is entered from another page.
    virtual void Enter() = 0;
    // The page is chosen again while on show.
    virtual void EnterAgain() {}
    // The rip options dialog opens from this page now.
    virtual bool OffersRipOptions() const { return false; }
    // The windows the shell shares (log, progress, options dialogs) exist now.
    virtual void WindowsAttached() {}
};

} // namespace app
