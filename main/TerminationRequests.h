#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM (the updater asking the program to close) into a call on the UI thread.
class TerminationRequests : public QObject {
    Q_OBJECT
public:
    explicit TerminationRequests(std::function<void()> onRequest, QObject* parent = nullptr);
    ~TerminationRequests() override;

private:
    std::function<void()> onRequest_;
    QSocketNotifier* notifier_ = nullptr;
};
