#include "ui/QtPrompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace ui {

namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::OK:
        break;
    }
    return QMessageBox::Ok;
}

QString StartPath(const FileDialogRequest& request) {
    if (request.fileName.isEmpty())
        return request.initialDir;
    if (request.initialDir.isEmpty())
        return request.fileName;
    return QDir(request.initialDir).filePath(request.fileName);
}

} // namespace

MsgResult QtPrompts::MessageBox(QWidget* parent, const QString& caption, const QString& text,
                                MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::OK;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        break;
    }
    // Closing the box with its close button counts as the safe answer.
    return buttons == MsgButtons::OK      ? MsgResult::OK
           : buttons == MsgButtons::YesNo ? MsgResult::No
                                          : MsgResult::Cancel;
}

std::optional<QString> QtPrompts::OpenFile(QWidget* parent, const FileDialogRequest& request) {
    const QString file = QFileDialog::getOpenFileName(parent, request.title, StartPath(request),
                                                      ToQtFilter(request.filter));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QStringList> QtPrompts::OpenFiles(QWidget* parent, const FileDialogRequest& request) {
    const QStringList files = QFileDialog::getOpenFileNames(
        parent, request.title, StartPath(request), ToQtFilter(request.filter));
    if (files.isEmpty())
        return std::nullopt;
    return files;
}

std::optional<QString> QtPrompts::SaveFile(QWidget* parent, const FileDialogRequest& request) {
    const QString file = QFileDialog::getSaveFileName(parent, request.title, StartPath(request),
                                                      ToQtFilter(request.filter));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> QtPrompts::BrowseFolder(QWidget* parent, const QString& title,
                                               const QString& initialDir) {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, initialDir);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> QtPrompts::InputBox(QWidget* parent, const QString& caption,
                                           const QString& prompt, const QString& value) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

bool QtPrompts::ShellOpen(const QString& target) {
    // A plain path is a local file; anything with a scheme goes to its handler as it stands.
    const QUrl url = target.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(target)
                                                         : QUrl(target, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    return QDesktopServices::openUrl(url);
}

bool QtPrompts::StartProgram(const QString& program, const QString& argument) {
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable())
        return false;
    return QProcess::startDetached(program, {argument});
}

} // namespace ui
