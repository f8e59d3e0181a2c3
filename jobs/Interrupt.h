#pragma once

// Ctrl+C (SIGINT) and SIGTERM as a request to stop a job, not as the end of the process: while
// one of these is alive the signals only set a flag, so the job can cancel, remove what it made
// and return. The handlers of before come back with the last one's end.
namespace jobs {

class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // True once a signal arrived while this watch was alive.
    bool Interrupted() const;
};

} // namespace jobs
