#pragma once

#include "ui/Prompts.h"

#include <deque>
#include <functional>
#include <vector>

namespace ui {

// One prompt as the window asked for it.
struct ShownPrompt {
    enum class Kind {
        MessageBox,
        OpenFile,
        OpenFiles,
        SaveFile,
        BrowseFolder,
        InputBox,
        ShellOpen,
        StartProgram
    };
    Kind kind = Kind::MessageBox;
    QString caption; // box caption, dialog title, input box caption
    QString text;    // box text, input box prompt
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;
    QString filter;     // file dialogs
    QString initialDir; // file and folder dialogs
    QString value;      // file dialogs: the proposed file name; input box: the start value
    QString target;     // shell open: the target; start program: the program
    QString argument;   // start program
};

// The test double: answers from per-kind scripts, in order, and records every prompt.
// A box without a scripted answer gets the safe one (OK for a box with only OK, else Cancel or
// No) and a dialog without one is cancelled; both are counted as unanswered.
class ScriptedPrompts : public IPrompts {
public:
    void AnswerBox(MsgResult answer) { boxes_.push_back(answer); }
    // Answers the next OpenFile or SaveFile; nothing = the user cancels.
    void AnswerFile(std::optional<QString> file) { files_.push_back(std::move(file)); }
    void AnswerFiles(std::optional<QStringList> files) { fileLists_.push_back(std::move(files)); }
    void AnswerFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }
    void AnswerInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }
    void SetShellOpenResult(bool ok) { shellOpenResult_ = ok; }
    void SetStartProgramResult(bool ok) { startProgramResult_ = ok; }
    // Runs while a prompt is "on show", before it answers (e.g. to look at the drive then).
    void OnShow(std::function<void(const ShownPrompt&)> hook) { onShow_ = std::move(hook); }

    const std::vector<ShownPrompt>& Shown() const { return shown_; }
    std::vector<ShownPrompt> Boxes() const;
    std::vector<ShownPrompt> OfKind(ShownPrompt::Kind kind) const;
    int Unanswered() const { return unanswered_; }
    // Scripted answers not used yet.
    std::size_t PendingAnswers() const;
    void Clear();

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

private:
    void Record(const ShownPrompt& prompt);
    template <typename T> T Take(std::deque<T>& queue, T fallback);

    std::deque<MsgResult> boxes_;
    std::deque<std::optional<QString>> files_;
    std::deque<std::optional<QStringList>> fileLists_;
    std::deque<std::optional<QString>> folders_;
    std::deque<std::optional<QString>> inputs_;
    bool shellOpenResult_ = true;
    bool startProgramResult_ = true;
    std::function<void(const ShownPrompt&)> onShow_;
    std::vector<ShownPrompt> shown_;
    int unanswered_ = 0;
};

} // namespace ui
