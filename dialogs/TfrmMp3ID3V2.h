#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The extra ID3v2 frames: lines "FOURCC:value" added one by one. Closing it in any way (Ok,
// Cancel, the close box) puts its lines into globals::Rip.id3v2Frames when it has any.
class TfrmMp3ID3V2 : public QDialog {
    Q_OBJECT

public:
    explicit TfrmMp3ID3V2(QWidget* parent = nullptr);

    void ApplyLanguage();
    void btnAddClick();
    // Copies the lines into the frame list (run once, whichever way the dialog closes).
    void FormClose();

    QPlainTextEdit* txtID3V2;
    QLabel* lblFourCC;
    QLineEdit* edtFccValue;
    QLabel* lblFccText;
    QLineEdit* edtFccText;
    QPushButton* btnAdd;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    void done(int result) override;

private:
    QStringList lines_;
};
