#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Every box, file dialog, folder browse, input box, shell "open" and program start of the
// windows goes through this one interface, so tests can answer them and see what was shown.
namespace ui {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgResult { OK, Cancel, Yes, No };

// Open and save dialogs. The filter is in the language table's form: pairs of description and
// patterns joined by "|" ("Log file(*.log)|*.log|All files|*.*"); patterns separated by ";".
struct FileDialogRequest {
    QString title;
    QString filter;
    QString initialDir;
    QString fileName;
};

class IPrompts {
public:
    virtual ~IPrompts() = default;

    virtual MsgResult MessageBox(QWidget* parent, const QString& caption, const QString& text,
                                 MsgIcon icon, MsgButtons buttons) = 0;
    // The chosen file's full path; nothing when the user cancels.
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Several files at once (empty list never returned: nothing means cancelled).
    virtual std::optional<QStringList> OpenFiles(QWidget* parent,
                                                 const FileDialogRequest& request) = 0;
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> BrowseFolder(QWidget* parent, const QString& title,
                                                const QString& initialDir) = 0;
    virtual std::optional<QString> InputBox(QWidget* parent, const QString& caption,
                                            const QString& prompt, const QString& value) = 0;
    // The desktop's "open" action on a local file, a web address or a "mailto:" address. False
    // when nothing could open it; callers that must stay silent ignore the answer.
    virtual bool ShellOpen(const QString& target) = 0;
    // Starts a program detached with one argument; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QString& argument) = 0;
};

// The prompts every window uses: the Qt implementation unless a test installed another.
IPrompts& Prompts();

// Installs `prompts` for the lifetime of this object, then restores the previous one.
class ScopedPrompts {
public:
    explicit ScopedPrompts(IPrompts& prompts);
    ~ScopedPrompts();
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

private:
    IPrompts* previous_;
};

// The language table's filter form turned into Qt's ("Log file (*.log);;All files (*.*)").
QString ToQtFilter(const QString& filter);

} // namespace ui
