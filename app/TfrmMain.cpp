#include "app/TfrmMain.h"

#include "app/HelpActions.h"
#include "app/MultiLanguages.h"
#include "app/NavigationBar.h"
#include "app/Startup.h"
#include "app/TAboutForm.h"
#include "app/TIntroPage.h"
#include "app/TSplashForm.h"
#include "app/TfrmLog.h"
#include "app/TfrmProgress.h"
#include "app/globals.h"
#include "copy/TCopyCDPage.h"
#include "dialogs/TfrmBurnOptions.h"
#include "dialogs/TfrmRipOptions.h"
#include "dialogs/TfrmSettings.h"
#include "engine/DVDEngineBinding.h"
#include "erase/TEraseDiscPage.h"
#include "read/TReadCDPage.h"
#include "ui/Prompts.h"
#include "write/TBurnCDPage.h"

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
const LangId kPageTitles[] = {IDS_READCD_LABEL_Title, IDS_WRITECD_LABEL_Title,
                              IDS_COPYCD_LABEL_Title, IDS_ERASEDISC_LABEL_Title};
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
    shell_.Engine = engine_.get();

    auto* pnlGuide = new QWidget(this);
    pnlGuide->setObjectName(QStringLiteral("pnlGuide"));
    pnlGuide->setFixedWidth(161);
    navigation_ = new app::NavigationBar(pnlGuide);
    auto* guideLayout = new QVBoxLayout(pnlGuide);
    guideLayout->setContentsMargins(0, 0, 0, 0);
    guideLayout->addWidget(navigation_);

    auto* pnlTitle = new QWidget(this);
    pnlTitle->setObjectName(QStringLiteral("pnlTitle"));
    pnlTitle->setFixedHeight(41);
    imgTitle = new QLabel(pnlTitle);
    imgTitle->setObjectName(QStringLiteral("imgTitle"));
    imgTitle->setScaledContents(true);
    imgTitle->setFixedSize(531, 41);
    imgTitle->setPixmap(
        QPixmap(QString::fromStdString(globals::SkinsDir) + QStringLiteral("Title.png")));
    if (imgTitle->pixmap().isNull())
        imgTitle->setStyleSheet(QStringLiteral("background: #2f5d8c;"));

    auto* pnlFunction = new QWidget(this);
    pnlFunction->setObjectName(QStringLiteral("pnlFunction"));
    pgcMain = new QStackedWidget(pnlFunction);
    pgcMain->setObjectName(QStringLiteral("pgcMain"));
    tabMain = new TIntroPage(pgcMain);
    tabReadCD = new TReadCDPage(shell_, pgcMain);
    tabBurnCD = new TBurnCDPage(shell_, pgcMain);
    tabCopyCD = new TCopyCDPage(shell_, pgcMain);
    tabEraseDisc = new TEraseDiscPage(shell_, pgcMain);
    for (QWidget* page :
         std::initializer_list<QWidget*>{tabMain, tabReadCD, tabBurnCD, tabCopyCD, tabEraseDisc})
        pgcMain->addWidget(page);
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

    auto* ActHelp = new QAction(this);
    ActHelp->setObjectName(QStringLiteral("ActHelp"));
    ActHelp->setShortcut(Qt::Key_F1);
    ActHelp->setShortcutContext(Qt::WindowShortcut);
    addAction(ActHelp);
    connect(ActHelp, &QAction::triggered, this, &TfrmMain::ActHelpExecute);

    shell_.TimerUsed.setParent(this);
    BuildNavigation();
    connect(tabReadCD, &TReadCDPage::DiscKindChanged, this,
            [this](TReadCDPage::DiscKind kind) { ReadDiscKindChanged(static_cast<int>(kind)); });
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmMain::~TfrmMain() {
    // Pages hold the engine's signals; they go before the engine does.
    delete pgcMain;
    pgcMain = nullptr;
}

void TfrmMain::BuildNavigation() {
    const QString icons = QString::fromStdString(globals::SkinsDir) + QStringLiteral("nav/");
    auto icon = [&](const char* name) { return icons + QLatin1String(name) + ".png"; };
    navigation_->AddGroup(QStringLiteral("grpMainFunctions"), QStringLiteral("Main Functions"),
                          true);
    const char* mainIcons[] = {"Home", "ReadCD", "WriteCD", "CopyCD", "EraseDisc"};
    for (int i = 0; i < 5; ++i)
        navigation_->AddItem(MainFunctions, icon(mainIcons[i]),
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
    TSplashForm::ShowSplash(splashMs_);
    if (!engine_->Initialize(0)) {
        ui::Prompts().MessageBox(this, Text(IDS_MSG_Error), Text(IDS_MSG_CannotInitialEngine),
                                 ui::MsgIcon::Error, ui::MsgButtons::OK);
        return false;
    }
    ApplyLanguage();
    ShowPage(tabMain);
    navigation_->Item(MainFunctions, 0)->setChecked(true);
    globals::CurrentPage = globals::PageIntro;
    navigation_->Item(Options, 1)->setEnabled(false);
    return true;
}

void TfrmMain::AttachWindows(const AttachedWindows& windows) {
    shell_.Log = windows.log;
    shell_.Progress = windows.progress;
    shell_.BurnOptions = windows.burnOptions;
    settings_ = windows.settings;
    ripOptions_ = windows.ripOptions;
    about_ = windows.about;
    if (windows.burnOptions)
        connect(windows.burnOptions, &TfrmBurnOptions::VolumeIdChanged, tabBurnCD,
                &TBurnCDPage::SetVolumeName);
    tabReadCD->SetRipOptions(windows.ripOptions);
}

void TfrmMain::ApplyLanguage() {
    const LangId items[3][5] = {
        {IDS_MAIN_BUTTON_HOME, IDS_MAIN_BUTTON_ReadCD, IDS_MAIN_BUTTON_WriteCD,
         IDS_MAIN_BUTTON_CopyCD, IDS_MAIN_BUTTON_EraseDisc},
        {IDS_SETTINGS_TABSHEET_General, IDS_MAIN_BUTTON_Rip, IDS_MAIN_BUTTON_Burn,
         IDS_MAIN_HELP_ShowLog, LangKeyCount},
        {IDS_MAIN_HELP_HelpContent, IDS_BUTTON_Information_Hint, IDS_MAIN_HELP_OnlineResource,
         IDS_MAIN_HELP_TechSupport, IDS_MAIN_BUTTON_CheckForUpdate}};
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 5; ++i)
            if (items[g][i] != LangKeyCount)
                navigation_->Item(g, i)->setText(Text(items[g][i]));
    tabMain->ApplyLanguage();
    tabReadCD->ApplyLanguage();
    tabBurnCD->ApplyLanguage();
    tabCopyCD->ApplyLanguage();
    tabEraseDisc->ApplyLanguage();
}

void TfrmMain::ShowPage(QWidget* page) {
    pgcMain->setCurrentWidget(page);
}

void TfrmMain::grpMainFunctionsItemClick(int item) {
    if (item == 0) {
        if (globals::CurrentPage != globals::PageIntro) {
            globals::CurrentPage = globals::PageIntro;
            ShowPage(tabMain);
        }
        return;
    }
    const int target = item - 1;
    if (!globals::Idle) {
        // The job's page stays marked in the bar; the user is told what runs.
        if (globals::CurrentPage >= 0 && globals::CurrentPage < 4) {
            ui::Prompts().MessageBox(this, QString::fromLatin1("Platterly"),
                                     Text(kPageTitles[globals::CurrentPage]), ui::MsgIcon::None,
                                     ui::MsgButtons::OK);
            navigation_->Item(MainFunctions, globals::CurrentPage + 1)->setChecked(true);
        } else {
            navigation_->Item(MainFunctions, 0)->setChecked(true);
        }
        return;
    }
    QAbstractButton* rip = navigation_->Item(Options, 1);
    QAbstractButton* burn = navigation_->Item(Options, 2);
    switch (target) {
    case globals::PageReadCD:
        burn->setEnabled(true);
        break;
    case globals::PageBurnCD:
    case globals::PageCopyCD:
        rip->setEnabled(false);
        burn->setEnabled(true);
        break;
    default:
        rip->setEnabled(false);
        burn->setEnabled(false);
        break;
    }
    if (globals::CurrentPage == target) {
        if (target == globals::PageReadCD)
            tabReadCD->update();
        return;
    }
    globals::CurrentPage = target;
    QWidget* pages[] = {tabReadCD, tabBurnCD, tabCopyCD, tabEraseDisc};
    ShowPage(pages[target]);
    setWindowTitle(Text(IDS_MAIN_TITLE) + QStringLiteral("-") + Text(kPageTitles[target]));
    switch (target) {
    case globals::PageReadCD:
        tabReadCD->Enter();
        break;
    case globals::PageBurnCD:
        tabBurnCD->Enter();
        break;
    case globals::PageCopyCD:
        tabCopyCD->Enter();
        break;
    default:
        tabEraseDisc->Enter();
        break;
    }
}

void TfrmMain::grpOptionsItems0Click() {
    if (settings_)
        settings_->exec();
}

void TfrmMain::grpOptionsItems1Click() {
    if (globals::CurrentPage != globals::PageReadCD ||
        tabReadCD->LoadedDiscKind() != TReadCDPage::DiscKind::AudioCD || !ripOptions_)
        return;
    ripOptions_->exec();
}

void TfrmMain::ReadDiscKindChanged(int kind) {
    // Only the Read CD page's own drive selection decides; an audio CD can be ripped, a data
    // disc burned from.
    if (kind == static_cast<int>(TReadCDPage::DiscKind::None))
        return;
    const bool audio = kind == static_cast<int>(TReadCDPage::DiscKind::AudioCD);
    navigation_->Item(Options, 1)->setEnabled(audio);
    navigation_->Item(Options, 2)->setEnabled(!audio);
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

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (ui::Prompts().MessageBox(this, Text(IDS_MAIN_MSGBOX_HINT), Text(IDS_MAIN_MSGBOX_ISEXIT),
                                 ui::MsgIcon::None,
                                 ui::MsgButtons::OKCancel) == ui::MsgResult::OK) {
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
    app::RunShutdown();
}
