#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: product name and version, the legal notice, home page and support address.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // Sets every caption; run each time the box is shown.
    void ApplyLanguage();
    void lblHomePageClick();
    void lblEmailClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* imgLogo;
    QLabel* lblProductTitle;
    QLabel* lblWarning;
    QLabel* lblHomePage;
    QLabel* lblEmail;
    QPushButton* btnOK;
};
