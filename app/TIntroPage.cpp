#include "app/TIntroPage.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "ui/Named.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

using MultiLanguages::Text;

TIntroPage::TIntroPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabMain"));
    auto* g = new QGridLayout(this);
    g->setContentsMargins(28, 24, 28, 24);
    g->setHorizontalSpacing(16);
    g->setVerticalSpacing(6);
    const struct {
        const char* heading;
        const char* hint;
        const char* icon;
        QLabel** headingLabel;
        QLabel** hintLabel;
    } rows[] = {
        {"lblMainReadCD", "lblReadCDHint", "ReadCD", &lblMainReadCD, &lblReadCDHint},
        {"lblMainWriteCD", "lblWriteCDHint", "WriteCD", &lblMainWriteCD, &lblWriteCDHint},
        {"lblMainCopyCD", "lblCopyCDHint", "CopyCD", &lblMainCopyCD, &lblCopyCDHint},
        {"lblMainEraseCD", "lblEraseCDHint", "EraseDisc", &lblMainEraseCD, &lblEraseCDHint}};
    int row = 0;
    for (const auto& r : rows) {
        auto* icon = new QLabel(this);
        const QPixmap pixmap(QString::fromStdString(globals::SkinsDir) +
                             QStringLiteral("nav/%1.png").arg(QLatin1String(r.icon)));
        if (!pixmap.isNull())
            icon->setPixmap(pixmap.scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        icon->setFixedSize(44, 44);
        *r.headingLabel = ui::Named<QLabel>(this, r.heading);
        (*r.headingLabel)->setProperty("introHeading", true);
        *r.hintLabel = ui::Named<QLabel>(this, r.hint);
        (*r.hintLabel)->setWordWrap(true);
        g->addWidget(icon, row, 0, 2, 1, Qt::AlignTop);
        g->addWidget(*r.headingLabel, row, 1);
        g->addWidget(*r.hintLabel, row + 1, 1);
        g->setRowMinimumHeight(row + 2, 18);
        row += 3;
    }
    g->setColumnStretch(1, 1);
    g->setRowStretch(row, 1);
}

void TIntroPage::ApplyLanguage() {
    lblMainReadCD->setText(Text(IDS_MAIN_BUTTON_ReadCD));
    lblMainWriteCD->setText(Text(IDS_MAIN_BUTTON_WriteCD));
    lblMainCopyCD->setText(Text(IDS_MAIN_BUTTON_CopyCD));
    lblMainEraseCD->setText(Text(IDS_MAIN_BUTTON_EraseDisc));
    lblReadCDHint->setText(Text(IDS_MAIN_LBL_ReadCDHint));
    lblWriteCDHint->setText(Text(IDS_MAIN_LBL_WriteCDHint));
    lblCopyCDHint->setText(Text(IDS_MAIN_LBL_CopyCDHint));
    lblEraseCDHint->setText(Text(IDS_MAIN_LBL_EraseCDHint));
}
