#include "dialogs/TfrmMp3ID3V2.h"
#include "ui/Named.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using MultiLanguages::Text;

TfrmMp3ID3V2::TfrmMp3ID3V2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMp3ID3V2"));
    setModal(true);
    txtID3V2 = ui::Named<QPlainTextEdit>(this, "txtID3V2");
    txtID3V2->setReadOnly(true);
    lblFourCC = ui::Named<QLabel>(this, "lblFourCC");
    edtFccValue = ui::Named<QLineEdit>(this, "edtFccValue");
    edtFccValue->setMaxLength(4);
    lblFccText = ui::Named<QLabel>(this, "lblFccText");
    edtFccText = ui::Named<QLineEdit>(this, "edtFccText");
    btnAdd = ui::Named<QPushButton>(this, "btnAdd");
    btnOk = ui::Named<QPushButton>(this, "btnOk");
    btnCancel = ui::Named<QPushButton>(this, "btnCancel");

    // Enter in the value field adds the frame; closing takes a deliberate click.
    btnAdd->setDefault(true);
    for (QPushButton* b : {btnOk, btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
    }
    edtFccValue->setMaximumWidth(80);

    auto* g = new QGridLayout(this);
    g->addWidget(txtID3V2, 0, 0, 1, 3);
    g->addWidget(lblFourCC, 1, 0);
    g->addWidget(edtFccValue, 1, 1, Qt::AlignLeft);
    g->addWidget(lblFccText, 2, 0);
    g->addWidget(edtFccText, 2, 1);
    g->addWidget(btnAdd, 2, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    g->addLayout(buttons, 3, 0, 1, 3);

    connect(btnAdd, &QPushButton::clicked, this, &TfrmMp3ID3V2::btnAddClick);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    ApplyLanguage();
}

void TfrmMp3ID3V2::ApplyLanguage() {
    setWindowTitle(Text(IDS_Mp3ID3V2_TITLE));
    btnOk->setText(Text(IDS_GRABOPTIONS_BUTTON_Ok));
    btnCancel->setText(Text(IDS_GRABOPTIONS_BUTTON_Cancel));
    btnAdd->setText(Text(IDS_Mp3ID3V2_BUTTON_ADD));
    lblFccText->setText(Text(IDS_Mp3ID3V2_LBL_VALUE));
    lblFourCC->setText(Text(IDS_Mp3ID3V2_LBL_FourCC));
}

void TfrmMp3ID3V2::btnAddClick() {
    const QString id = edtFccValue->text().trimmed();
    if (id.isEmpty() || edtFccText->text().trimmed().isEmpty())
        return;
    const QString line =
        id.leftJustified(4, QLatin1Char(' ')) + QLatin1Char(':') + edtFccText->text();
    lines_.append(line);
    txtID3V2->appendPlainText(line);
}

void TfrmMp3ID3V2::FormClose() {
    if (lines_.isEmpty())
        return;
    auto& frames = globals::Rip.id3v2Frames;
    frames.clear();
    for (const QString& line : lines_)
        frames.push_back({line.left(4).toStdString(), line.mid(5).toStdString()});
}

void TfrmMp3ID3V2::done(int result) {
    FormClose();
    QDialog::done(result);
}
