#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>

// The borderless splash window: SkinsDir + "Splash.png" with its own transparency, closed by a
// timer. Without a readable picture it shows a plain face for the same time.
class TSplashForm : public QDialog {
    Q_OBJECT

public:
    explicit TSplashForm(int durationMs = 1500, QWidget* parent = nullptr);

    bool HasPicture() const { return !picture_.isNull(); }
    // Creates the window, shows it modally until the timer closes it, frees it.
    static void ShowSplash(int durationMs = 1500);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPixmap picture_;
    QTimer timer_;
};
