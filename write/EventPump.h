#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

// Lets the window paint and its timers tick during a long walk over a big compilation. User
// input waits until the walk is over, as it would for a busy window, so nothing can edit the
// compilation underneath the walk.
class EventPump {
public:
    EventPump() { clock_.start(); }
    void Pump() {
        if (clock_.elapsed() < kSliceMs)
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        clock_.restart();
    }

private:
    static constexpr qint64 kSliceMs = 15;
    QElapsedTimer clock_;
};
