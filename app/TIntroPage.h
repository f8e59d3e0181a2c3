#pragma once

#include <QWidget>

class QLabel;

// The Introduction page (tabMain): one heading and hint per job page.
class TIntroPage : public QWidget {
    Q_OBJECT

public:
    explicit TIntroPage(QWidget* parent = nullptr);
    void ApplyLanguage();

private:
    QLabel* lblMainReadCD;
    QLabel* lblMainWriteCD;
    QLabel* lblMainCopyCD;
    QLabel* lblMainEraseCD;
    QLabel* lblReadCDHint;
    QLabel* lblWriteCDHint;
    QLabel* lblCopyCDHint;
    QLabel* lblEraseCDHint;
};
