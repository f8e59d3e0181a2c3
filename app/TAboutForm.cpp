#include "app/TAboutForm.h"
#include "ui/Named.h"

#include "core/MultiLanguages.h"
#include "core/ProductInfo.h"
#include "core/globals.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

using MultiLanguages::Text;

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutForm"));
    setFixedSize(474, 347);
    setModal(true);

    imgLogo = ui::Named<QLabel>(this, "imgLogo");
    imgLogo->setFixedWidth(128);
    imgLogo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblProductTitle = ui::Named<QLabel>(this, "lblProductTitle");
    QFont titleFont = lblProductTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblProductTitle->setFont(titleFont);
    lblWarning = ui::Named<QLabel>(this, "lblWarning");
    lblWarning->setWordWrap(true);
    lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblHomePage = ui::Named<QLabel>(this, "lblHomePage");
    lblEmail = ui::Named<QLabel>(this, "lblEmail");
    for (QLabel* link : {lblHomePage, lblEmail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: #1a5fb4; text-decoration: underline;"));
        link->installEventFilter(this);
    }
    btnOK = ui::Named<QPushButton>(this, "btnOK");
    btnOK->setDefault(true);
    btnOK->setMinimumWidth(90);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    // The notice and the two addresses read as one block under the title; the button sits at
    // the foot of the box.
    auto* text = new QVBoxLayout;
    text->setSpacing(0);
    text->addWidget(lblProductTitle);
    text->addSpacing(12);
    text->addWidget(lblWarning);
    text->addSpacing(16);
    text->addWidget(lblHomePage);
    text->addSpacing(4);
    text->addWidget(lblEmail);
    text->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    text->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 18, 16, 14);
    layout->setSpacing(18);
    layout->addWidget(imgLogo);
    layout->addLayout(text, 1);
    ApplyLanguage();
}

void TAboutForm::ApplyLanguage() {
    setWindowTitle(Text(IDS_ABOUTFORM_Title));
    lblProductTitle->setText(
        ui::FormatText(QStringLiteral("%s %s"), {QString::fromLatin1(core::product::Name),
                                                 QString::fromLatin1(core::product::Version)}));
    lblWarning->setText(Text(IDS_ABOUTFORM_LABEL_Warning));
    btnOK->setText(Text(IDS_ABOUTFORM_BUTTON_Ok));
    lblHomePage->setText(QString::fromLatin1(core::product::HomePage));
    lblEmail->setText(QString::fromLatin1(core::product::SupportAddress));
    const QPixmap logo(QString::fromStdString(globals::SkinsDir) + QStringLiteral("About.png"));
    imgLogo->setPixmap(logo.isNull() ? QPixmap()
                                     : logo.scaledToWidth(128, Qt::SmoothTransformation));
}

void TAboutForm::lblHomePageClick() {
    ui::Prompts().ShellOpen(QString::fromLatin1(core::product::HomePage));
}

void TAboutForm::lblEmailClick() {
    ui::Prompts().ShellOpen(QStringLiteral("mailto:") +
                            QString::fromLatin1(core::product::SupportAddress));
}

void TAboutForm::showEvent(QShowEvent* event) {
    ApplyLanguage();
    // The box is made once without an owner; it opens over the window it was asked from.
    const QWidget* over = parentWidget() ? parentWidget() : QApplication::activeWindow();
    if (over && over != this)
        move(over->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lblHomePage)
            lblHomePageClick();
        else if (watched == lblEmail)
            lblEmailClick();
    }
    return QDialog::eventFilter(watched, event);
}
