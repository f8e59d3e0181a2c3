// Following a running libburn write: its states as the engine's write statuses, its progress and
// the speed the drive really writes at.
#include "BurnSession.h"
#include "PhysicalDevice.h"

#include "discengine/Disc.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace discengine::physical {

std::int32_t WriteStatusOf(int s) {
    switch (s) {
    case BURN_DRIVE_WRITING_LEADIN:
    case BURN_DRIVE_WRITING_PREGAP:
        return kWriteLeadIn;
    case BURN_DRIVE_WRITING:
    case BURN_DRIVE_WRITING_SYNC:
        return kWriteWriting;
    case BURN_DRIVE_CLOSING_TRACK:
        return kWriteClosingTrack;
    case BURN_DRIVE_WRITING_LEADOUT:
    case BURN_DRIVE_CLOSING_SESSION:
        return kWriteLeadOut;
    default:
        return -1;
    }
}

void FollowBurn(burn_drive* d, PhysicalShared& drive, int bytesPerSector,
                const std::function<bool()>& cancelAsked, const std::function<void()>& onCancel,
                const std::function<void(std::int32_t status, std::int64_t sector)>& report) {
    using Clock = std::chrono::steady_clock;
    burn_progress p{};
    while (burn_drive_get_status(d, &p) == BURN_DRIVE_SPAWNING)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bool cancelSent = false;
    std::int64_t lastSector = 0;
    auto lastTime = Clock::now();
    for (int state; (state = burn_drive_get_status(d, &p)) != BURN_DRIVE_IDLE;) {
        if (!cancelSent && cancelAsked()) {
            cancelSent = true;
            burn_drive_cancel(d);
            if (onCancel)
                onCancel();
        }
        const std::int32_t status = WriteStatusOf(state);
        const auto sector = static_cast<std::int64_t>(std::max(p.sector, 0));
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - lastTime).count();
        if (status == kWriteWriting && seconds >= 1.0) {
            auto speed =
                static_cast<std::int32_t>((sector - lastSector) * bytesPerSector / 1000 / seconds);
            if (speed > 0)
                drive.jobSpeed = speed;
            lastSector = sector;
            lastTime = now;
        }
        if (status >= 0)
            report(status, sector);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace discengine::physical
