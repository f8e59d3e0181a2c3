#include "app/TSplashForm.h"

#include "core/ProductInfo.h"
#include "core/globals.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QScreen>

TSplashForm::TSplashForm(int durationMs, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setModal(true);
    QImageReader reader(QString::fromStdString(globals::SkinsDir) + QStringLiteral("Splash.png"));
    // A corrupt or hostile file yields no picture, not a crash; an absurd size is not loaded.
    if (reader.canRead() && reader.size().width() <= 4096 && reader.size().height() <= 4096)
        picture_ = QPixmap::fromImage(reader.read());
    if (!picture_.isNull()) {
        setAttribute(Qt::WA_TranslucentBackground);
        setFixedSize(picture_.size());
    } else {
        setFixedSize(480, 300);
    }
    timer_.setSingleShot(true);
    timer_.setInterval(durationMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        timer_.stop();
        // done() ends the modal showing whatever state the window system reports.
        done(QDialog::Accepted);
    });
    timer_.start();
}

void TSplashForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TSplashForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawPixmap(0, 0, picture_);
        return;
    }
    painter.fillRect(rect(), QColor(0x24, 0x3b, 0x55));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, QString::fromLatin1(core::product::Name));
}

void TSplashForm::ShowSplash(int durationMs) {
    TSplashForm splash(durationMs);
    splash.setWindowModality(Qt::ApplicationModal);
    // Our own loop ends with the window's timer, so the showing can't outlive it.
    QEventLoop loop;
    connect(&splash, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(&splash.timer_, &QTimer::timeout, &loop, &QEventLoop::quit);
    splash.show();
    if (splash.isVisible() && splash.timer_.isActive())
        loop.exec();
    splash.close();
}
