#include "app/TfrmLog.h"
#include "ui/Named.h"

#include "app/LogLines.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "ui/Prompts.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {

void ShowFileError(QWidget* parent, const QString& text) {
    ui::Prompts().MessageBox(parent, MultiLanguages::Text(IDS_MSG_Error), text, ui::MsgIcon::Error,
                             ui::MsgButtons::OK);
}

} // namespace

TfrmLog::TfrmLog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmLog"));
    setFixedSize(439, 266);
    mmoLog = ui::Named<QPlainTextEdit>(this, "mmoLog");
    mmoLog->setReadOnly(true);
    mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto makeButton = [this](const char* name) {
        auto* b = ui::Named<QPushButton>(this, name);
        b->setAutoDefault(false);
        b->setMinimumWidth(88);
        return b;
    };
    btnOpen = makeButton("btnOpen");
    btnSave = makeButton("btnSave");
    btnSaveAs = makeButton("btnSaveAs");
    btnClear = makeButton("btnClear");

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnOpen, btnSave, btnSaveAs, btnClear})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(mmoLog, 1);
    layout->addLayout(buttons);

    connect(btnOpen, &QPushButton::clicked, this, &TfrmLog::btnOpenClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmLog::btnSaveClick);
    connect(btnSaveAs, &QPushButton::clicked, this, &TfrmLog::btnSaveAsClick);
    connect(btnClear, &QPushButton::clicked, this, &TfrmLog::btnClearClick);
    ApplyLanguage();
}

void TfrmLog::ApplyLanguage() {
    using MultiLanguages::Text;
    setWindowTitle(Text(IDS_LOG_Title));
    btnOpen->setText(Text(IDS_LOG_BUTTON_Open));
    btnSaveAs->setText(Text(IDS_LOG_BUTTON_SaveAs));
    btnSave->setText(Text(IDS_LOG_BUTTON_Save));
    btnClear->setText(Text(IDS_LOG_BUTTON_Clear));
}

void TfrmLog::btnOpenClick() {
    using MultiLanguages::Text;
    const auto file =
        ui::Prompts().OpenFile(this, {Text(IDS_LOG_OPENLOG_Title), Text(IDS_LOG_OPENLOG_Filter),
                                      QString::fromStdString(globals::ProgramDir), QString()});
    if (!file)
        return;
    QFile in(*file);
    if (!in.open(QIODevice::ReadOnly)) {
        ShowFileError(this, in.errorString());
        return;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        ShowFileError(this, in.errorString());
        return;
    }
    QString text = QString::fromUtf8(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    mmoLog->setPlainText(text);
}

void TfrmLog::btnSaveClick() {
    if (auto error = app::SaveLogLines(mmoLog, globals::SavedLogLineCount, globals::LogFileName))
        ShowFileError(this, *error);
}

void TfrmLog::btnSaveAsClick() {
    using MultiLanguages::Text;
    const auto file =
        ui::Prompts().SaveFile(this, {Text(IDS_LOG_SAVELOG_Title), Text(IDS_LOG_OPENLOG_Filter),
                                      QString::fromStdString(globals::ProgramDir), QString()});
    if (!file)
        return;
    QByteArray bytes;
    for (const QString& line : app::MemoLines(mmoLog))
        bytes += line.toUtf8() + "\r\n";
    // Written beside and renamed into place: a failed write leaves an existing file whole.
    QSaveFile out(*file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        ShowFileError(this, out.errorString());
}

void TfrmLog::btnClearClick() {
    mmoLog->clear();
    globals::SavedLogLineCount = 0;
}
