#include "app/TAboutForm.h"

#include "app/MultiLanguages.h"
#include "app/ProductInfo.h"
#include "app/globals.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

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

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setFixedWidth(150);
    imgLogo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblProductTitle = new QLabel(this);
    lblProductTitle->setObjectName(QStringLiteral("lblProductTitle"));
    QFont titleFont = lblProductTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblProductTitle->setFont(titleFont);
    lblWarning = new QLabel(this);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setWordWrap(true);
    lblWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblHomePage = new QLabel(this);
    lblHomePage->setObjectName(QStringLiteral("lblHomePage"));
    lblEmail = new QLabel(this);
    lblEmail->setObjectName(QStringLiteral("lblEmail"));
    for (QLabel* link : {lblHomePage, lblEmail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: #1a5fb4; text-decoration: underline;"));
        link->installEventFilter(this);
    }
    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setMinimumWidth(90);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(lblProductTitle);
    text->addSpacing(10);
    text->addWidget(lblWarning, 1);
    text->addWidget(lblHomePage);
    text->addWidget(lblEmail);
    text->addSpacing(8);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    text->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(14);
    layout->addWidget(imgLogo);
    layout->addLayout(text, 1);
    ApplyLanguage();
}

void TAboutForm::ApplyLanguage() {
    setWindowTitle(Text(IDS_ABOUTFORM_Title));
    lblProductTitle->setText(
        ui::FormatText(QStringLiteral("%s %s"), {QString::fromLatin1(app::product::Name),
                                                 QString::fromLatin1(app::product::Version)}));
    lblWarning->setText(Text(IDS_ABOUTFORM_LABEL_Warning));
    btnOK->setText(Text(IDS_ABOUTFORM_BUTTON_Ok));
    lblHomePage->setText(QString::fromLatin1(app::product::HomePage));
    lblEmail->setText(QString::fromLatin1(app::product::SupportAddress));
    const QPixmap logo(QString::fromStdString(globals::SkinsDir) + QStringLiteral("About.png"));
    imgLogo->setPixmap(logo.isNull() ? QPixmap()
                                     : logo.scaledToWidth(150, Qt::SmoothTransformation));
}

void TAboutForm::lblHomePageClick() {
    ui::Prompts().ShellOpen(QString::fromLatin1(app::product::HomePage));
}

void TAboutForm::lblEmailClick() {
    ui::Prompts().ShellOpen(QStringLiteral("mailto:") +
                            QString::fromLatin1(app::product::SupportAddress));
}

void TAboutForm::showEvent(QShowEvent* event) {
    ApplyLanguage();
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
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
