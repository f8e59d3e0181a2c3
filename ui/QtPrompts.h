#pragma once

#include "ui/Prompts.h"

namespace ui {

// The production prompts: Qt's message boxes and dialogs, the desktop services and QProcess.
class QtPrompts : public IPrompts {
public:
    MsgResult MessageBox(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QStringList> OpenFiles(QWidget* parent,
                                         const FileDialogRequest& request) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> BrowseFolder(QWidget* parent, const QString& title,
                                        const QString& initialDir) override;
    std::optional<QString> InputBox(QWidget* parent, const QString& caption, const QString& prompt,
                                    const QString& value) override;
    bool ShellOpen(const QString& target) override;
    bool StartProgram(const QString& program, const QString& argument) override;
};

} // namespace ui
