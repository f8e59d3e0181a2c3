#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The log window: the log memo and Open, Save, Save As, Clear. Created once; closing hides it.
class TfrmLog : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLog(QWidget* parent = nullptr);

    void ApplyLanguage();
    QPlainTextEdit* Memo() const { return mmoLog; }

    void btnOpenClick();
    void btnSaveClick();
    void btnSaveAsClick();
    void btnClearClick();

private:
    QPlainTextEdit* mmoLog;
    QPushButton* btnOpen;
    QPushButton* btnSave;
    QPushButton* btnSaveAs;
    QPushButton* btnClear;
};
