#include "ui/ScriptedPrompts.h"

namespace ui {

std::vector<ShownPrompt> ScriptedPrompts::Boxes() const {
    return OfKind(ShownPrompt::Kind::MessageBox);
}

std::vector<ShownPrompt> ScriptedPrompts::OfKind(ShownPrompt::Kind kind) const {
    std::vector<ShownPrompt> result;
    for (const auto& p : shown_)
        if (p.kind == kind)
            result.push_back(p);
    return result;
}

std::size_t ScriptedPrompts::PendingAnswers() const {
    return boxes_.size() + files_.size() + fileLists_.size() + folders_.size() + inputs_.size();
}

void ScriptedPrompts::Clear() {
    boxes_.clear();
    files_.clear();
    fileLists_.clear();
    folders_.clear();
    inputs_.clear();
    shown_.clear();
    unanswered_ = 0;
}

void ScriptedPrompts::Record(const ShownPrompt& prompt) {
    shown_.push_back(prompt);
    if (onShow_)
        onShow_(prompt);
}

template <typename T> T ScriptedPrompts::Take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
        ++unanswered_;
    } else {
        fallback = queue.front();
        queue.pop_front();
    }
    return fallback;
}

MsgResult ScriptedPrompts::MessageBox(QWidget*, const QString& caption, const QString& text,
                                      MsgIcon icon, MsgButtons buttons) {
    ShownPrompt p;
    p.kind = ShownPrompt::Kind::MessageBox;
    p.caption = caption;
    p.text = text;
    p.icon = icon;
    p.buttons = buttons;
    Record(p);
    const MsgResult safe = buttons == MsgButtons::OK      ? MsgResult::OK
                           : buttons == MsgButtons::YesNo ? MsgResult::No
                                                          : MsgResult::Cancel;
    return Take(boxes_, safe);
}

namespace {
ShownPrompt FileDialog(ShownPrompt::Kind kind, const FileDialogRequest& request) {
    ShownPrompt p;
    p.kind = kind;
    p.caption = request.title;
    p.filter = request.filter;
    p.initialDir = request.initialDir;
    p.value = request.fileName;
    return p;
}
} // namespace

std::optional<QString> ScriptedPrompts::OpenFile(QWidget*, const FileDialogRequest& request) {
    Record(FileDialog(ShownPrompt::Kind::OpenFile, request));
    return Take(files_, std::optional<QString>());
}

std::optional<QStringList> ScriptedPrompts::OpenFiles(QWidget*, const FileDialogRequest& request) {
    Record(FileDialog(ShownPrompt::Kind::OpenFiles, request));
    return Take(fileLists_, std::optional<QStringList>());
}

std::optional<QString> ScriptedPrompts::SaveFile(QWidget*, const FileDialogRequest& request) {
    Record(FileDialog(ShownPrompt::Kind::SaveFile, request));
    return Take(files_, std::optional<QString>());
}

std::optional<QString> ScriptedPrompts::BrowseFolder(QWidget*, const QString& title,
                                                     const QString& initialDir) {
    ShownPrompt p;
    p.kind = ShownPrompt::Kind::BrowseFolder;
    p.caption = title;
    p.initialDir = initialDir;
    Record(p);
    return Take(folders_, std::optional<QString>());
}

std::optional<QString> ScriptedPrompts::InputBox(QWidget*, const QString& caption,
                                                 const QString& prompt, const QString& value) {
    ShownPrompt p;
    p.kind = ShownPrompt::Kind::InputBox;
    p.caption = caption;
    p.text = prompt;
    p.value = value;
    Record(p);
    return Take(inputs_, std::optional<QString>());
}

bool ScriptedPrompts::ShellOpen(const QString& target) {
    ShownPrompt p;
    p.kind = ShownPrompt::Kind::ShellOpen;
    p.target = target;
    Record(p);
    return shellOpenResult_;
}

bool ScriptedPrompts::StartProgram(const QString& program, const QString& argument) {
    ShownPrompt p;
    p.kind = ShownPrompt::Kind::StartProgram;
    p.target = program;
    p.argument = argument;
    Record(p);
    return startProgramResult_;
}

} // namespace ui
