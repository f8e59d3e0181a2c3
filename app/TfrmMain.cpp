#include "app/TfrmMain.h"
#include "ui/Named.h"

#include "app/HelpActions.h"
#include "app/NavigationBar.h"
#include "app/TAboutForm.h"
#include "app/TIntroPage.h"
#include "app/TSplashForm.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/Startup.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "dialogs/TfrmRipOptions.h"
#include "dialogs/TfrmSettings.h"
#include "engine/DVDEngineBinding.h"
#include "ui/Prompts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

using MultiLanguages::Text;

namespace {
enum NavGroup { MainFunctions = 0, Options = 1, Help = 2 };
} // namespace

TfrmMain::TfrmMain(MainWindowOptions options, QWidget* parent)
    : QWidget(parent), shell_(this),
      engine_(std::make_unique<TDVDEngineX>(std::move(options.engine))),
      splashMs_(options.splashMs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(692, 579);
    setWindowTitle(QString::fromLatin1("Platterly"));
    shell_.SetEngine(engine_.get());

    auto* pnlGuide = ui::Named<QWidget>(this, "pnlGuide");
    pnlGuide->setFixedWidth(161);
    navigation_ = new app::NavigationBar(pnlGuide);
    auto* guideLayout = new QVBoxLayout(pnlGuide);
    guideLayout->setContentsMargins(0, 0, 0, 0);
    guideLayout->addWidget(navigation_);

    auto* pnlTitle = ui::Named<QWidget>(this, "pnlTitle");
    pnlTitle->setFixedHeight(41);
    imgTitle = ui::Named<QLabel>(pnlTitle, "imgTitle");
    imgTitle->setScaledContents(true);
    imgTitle->setFixedSize(531, 41);
    imgTitle->setPixmap(
        QPixmap(QString::fromStdString(globals::SkinsDir) + QStringLiteral("Title.png")));
    if (imgTitle->pixmap().isNull())
        imgTitle->setStyleSheet(QStringLiteral("background: #2f5d8c;"));

    auto* pnlFunction = ui::Named<QWidget>(this, "pnlFunction");
    pgcMain = ui::Named<QStackedWidget>(pnlFunction, "pgcMain");
    tabMain = new TIntroPage(pgcMain);
    pgcMain->addWidget(tabMain);
    auto* functionLayout = new QVBoxLayout(pnlFunction);
    functionLayout->setContentsMargins(0, 0, 0, 0);
    functionLayout->addWidget(pgcMain);
    pnlFunction->setStyleSheet(QStringLiteral(
        "#pnlFunction { background: #f7f9fc; }"
        "QLabel[pageTitle=\"true\"] { font-size: 15pt; font-weight: bold; color: #23466e; }"
        "QLabel[introHeading=\"true\"] { font-size: 12pt; font-weight: bold; color: #23466e; }"
        "QLabel[note=\"true\"] { color: #5b6776; }"));

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(pnlTitle);
    right->addWidget(pnlFunction, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlGuide);
    layout->addLayout(right, 1);

    auto* ActHelp = ui::Named<QAction>(this, "ActHelp");
    ActHelp->setShortcut(Qt::Key_F1);
    ActHelp->setShortcutContext(Qt::WindowShortcut);
    addAction(ActHelp);
    connect(ActHelp, &QAction::triggered, this, &TfrmMain::ActHelpExecute);

    shell_.TimerUsed.setParent(this);
    connect(&shell_, &app::Shell::OptionsOffered, this, &TfrmMain::OptionsOffered);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmMain::~TfrmMain() {
    // No engine event reaches a page from here on; the pages go before the engine does.
    shell_.SetEngine(nullptr);
    delete pgcMain;
    pgcMain = nullptr;
}

void TfrmMain::AddPage(app::PageId id, app::IPage& page, const app::PageInfo& info) {
    pgcMain->addWidget(page.PageWidget());
    pages_.push_back({id, &page, info});
}

QWidget* TfrmMain::PageParent() const {
    return pgcMain;
}

const TfrmMain::PageEntry* TfrmMain::Entry(app::PageId id) const {
    for (const PageEntry& entry : pages_)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

void TfrmMain::BuildNavigation() {
    navigationBuilt_ = true;
    const QString icons = QString::fromStdString(globals::SkinsDir) + QStringLiteral("nav/");
    auto icon = [&](const char* name) { return icons + QLatin1String(name) + ".png"; };
    navigation_->AddGroup(QStringLiteral("grpMainFunctions"), QStringLiteral("Main Functions"),
                          true);
    navigation_->AddItem(MainFunctions, icon("Home"), [this] { grpMainFunctionsItemClick(0); });
    for (int i = 1; i <= static_cast<int>(pages_.size()); ++i)
        navigation_->AddItem(MainFunctions, icon(pages_[i - 1].info.icon),
                             [this, i] { grpMainFunctionsItemClick(i); });
    navigation_->AddGroup(QStringLiteral("grpOptions"), QStringLiteral("Options"), false);
    navigation_->AddItem(Options, icon("General"), [this] { grpOptionsItems0Click(); });
    navigation_->AddItem(Options, icon("Rip"), [this] { grpOptionsItems1Click(); });
    navigation_->AddItem(Options, icon("Burn"), [this] { grpOptionsItems2Click(); });
    navigation_->AddItem(Options, icon("Log"), [this] { grpOptionsItems4Click(); });
    navigation_->AddGroup(QStringLiteral("grpHelp"), QStringLiteral("Help"), false);
    navigation_->AddItem(Help, icon("HelpContent"), [] { app::OpenHelpContent(); });
    navigation_->AddItem(Help, icon("Information"), [this] {
        if (about_)
            about_->exec();
    });
    navigation_->AddItem(Help, icon("Online"), [] { app::OpenOnlineResources(); });
    navigation_->AddItem(Help, icon("Support"), [] { app::WriteToTechnicalSupport(); });
    navigation_->AddItem(Help, icon("Update"), [] { app::CheckForUpdate(); });
    navigation_->Finish();
}

bool TfrmMain::FormCreate() {
    if (!navigationBuilt_)
        BuildNavigation();
    TSplashForm::ShowSplash(splashMs_);
    if (!engine_->Initialize(0)) {
        ui::Prompts().MessageBox(this, Text(IDS_MSG_Error), Text(IDS_MSG_CannotInitialEngine),
                                 ui::MsgIcon::Error, ui::MsgButtons::OK);
        return false;
    }
    ApplyLanguage();
    ShowPage(tabMain);
    navigation_->Item(MainFunctions, 0)->setChecked(true);
    shell_.SetCurrentPage(app::PageId::Intro);
    navigation_->Item(Options, 1)->setEnabled(false);
    return true;
}

void TfrmMain::AttachWindows(const AttachedWindows& windows) {
    shell_.Log = windows.log;
    shell_.Progress = windows.progress;
    shell_.BurnOptions = windows.burnOptions;
    shell_.RipOptions = windows.ripOptions;
    settings_ = windows.settings;
    ripOptions_ = windows.ripOptions;
    about_ = windows.about;
    for (const PageEntry& entry : pages_)
        entry.page->WindowsAttached();
}

void TfrmMain::ApplyLanguage() {
    navigation_->Item(MainFunctions, 0)->setText(Text(IDS_MAIN_BUTTON_HOME));
    for (std::size_t i = 0; i < pages_.size(); ++i)
        navigation_->Item(MainFunctions, static_cast<int>(i + 1))
            ->setText(Text(pages_[i].info.navigation));
    const LangId items[2][5] = {{IDS_SETTINGS_TABSHEET_General, IDS_MAIN_BUTTON_Rip,
                                 IDS_MAIN_BUTTON_Burn, IDS_MAIN_HELP_ShowLog, LangKeyCount},
                                {IDS_MAIN_HELP_HelpContent, IDS_BUTTON_Information_Hint,
                                 IDS_MAIN_HELP_OnlineResource, IDS_MAIN_HELP_TechSupport,
                                 IDS_MAIN_BUTTON_CheckForUpdate}};
    for (int g = 0; g < 2; ++g)
        for (int i = 0; i < 5; ++i)
            if (items[g][i] != LangKeyCount)
                navigation_->Item(Options + g, i)->setText(Text(items[g][i]));
    tabMain->ApplyLanguage();
    for (const PageEntry& entry : pages_)
        entry.page->ApplyLanguage();
}

void TfrmMain::ShowPage(QWidget* page) {
    pgcMain->setCurrentWidget(page);
}

void TfrmMain::grpMainFunctionsItemClick(int item) {
    if (item == 0) {
        if (shell_.CurrentPage() != app::PageId::Intro) {
            shell_.SetCurrentPage(app::PageId::Intro);
            ShowPage(tabMain);
        }
        return;
    }
    if (item < 1 || item > static_cast<int>(pages_.size()))
        return;
    const PageEntry& target = pages_[item - 1];
    if (!shell_.Idle()) {
        // The job's page stays marked in the bar; the user is told what runs.
        if (const PageEntry* busy = Entry(shell_.CurrentPage())) {
            ui::Prompts().MessageBox(this, QString::fromLatin1("Platterly"), Text(busy->info.title),
                                     ui::MsgIcon::None, ui::MsgButtons::OK);
            navigation_->Item(MainFunctions, static_cast<int>(busy - pages_.data()) + 1)
                ->setChecked(true);
        } else {
            navigation_->Item(MainFunctions, 0)->setChecked(true);
        }
        return;
    }
    if (!target.info.ripOptions)
        navigation_->Item(Options, 1)->setEnabled(false);
    navigation_->Item(Options, 2)->setEnabled(target.info.burnOptions);
    if (shell_.CurrentPage() == target.id) {
        target.page->EnterAgain();
        return;
    }
    shell_.SetCurrentPage(target.id);
    ShowPage(target.page->PageWidget());
    setWindowTitle(Text(IDS_MAIN_TITLE) + QStringLiteral("-") + Text(target.info.title));
    target.page->Enter();
}

void TfrmMain::grpOptionsItems0Click() {
    if (settings_)
        settings_->exec();
}

void TfrmMain::grpOptionsItems1Click() {
    const PageEntry* current = Entry(shell_.CurrentPage());
    if (!current || !current->page->OffersRipOptions() || !ripOptions_)
        return;
    ripOptions_->exec();
}

void TfrmMain::OptionsOffered(bool rip, bool burn) {
    navigation_->Item(Options, 1)->setEnabled(rip);
    navigation_->Item(Options, 2)->setEnabled(burn);
}

void TfrmMain::grpOptionsItems2Click() {
    if (shell_.BurnOptions)
        shell_.BurnOptions->exec();
}

void TfrmMain::grpOptionsItems4Click() {
    if (!shell_.Log)
        return;
    shell_.Log->show();
    shell_.Log->raise();
    shell_.Log->activateWindow();
}

void TfrmMain::ActHelpExecute() {
    app::OpenHelpContent();
}

bool TfrmMain::CloseOnRequest() {
    if (!shell_.Idle())
        return false;
    closeRequested_ = true;
    close();
    closeRequested_ = false;
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (closeRequested_ || ui::Prompts().MessageBox(
                               this, Text(IDS_MAIN_MSGBOX_HINT), Text(IDS_MAIN_MSGBOX_ISEXIT),
                               ui::MsgIcon::None, ui::MsgButtons::OKCancel) == ui::MsgResult::OK) {
        // The other windows go with the main window.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible())
                w->hide();
        event->accept();
    } else {
        event->ignore();
    }
}

void TfrmMain::FormDestroy() {
    core::RunShutdown();
}
