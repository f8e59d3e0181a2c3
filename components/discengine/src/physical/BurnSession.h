#pragma once

#include "Libburn.h"

#include <cstdint>
#include <functional>
#include <memory>

// RAII owners of libburn's write objects.
namespace discengine::physical {

struct BurnDiscFree {
    void operator()(burn_disc* d) const { burn_disc_free(d); }
};
struct BurnSessionFree {
    void operator()(burn_session* s) const { burn_session_free(s); }
};
struct BurnTrackFree {
    void operator()(burn_track* t) const { burn_track_free(t); }
};
struct BurnOptsFree {
    void operator()(burn_write_opts* o) const { burn_write_opts_free(o); }
};
using BurnDiscPtr = std::unique_ptr<burn_disc, BurnDiscFree>;
using BurnSessionPtr = std::unique_ptr<burn_session, BurnSessionFree>;
using BurnTrackPtr = std::unique_ptr<burn_track, BurnTrackFree>;
using BurnOptsPtr = std::unique_ptr<burn_write_opts, BurnOptsFree>;

// What a running burn reports, mapped to the engine's write status.
struct BurnProgress {
    std::int32_t status = 0; // WriteStatus
    std::int64_t sector = 0, sectors = 0;
};
// libburn's drive state during a write as the engine's write status; -1 when it says nothing
// new (spawning, idle).
std::int32_t WriteStatusOf(int burnDriveStatus);

struct PhysicalShared;

// Follows a write until the drive is idle again. `cancelAsked` is polled; its first true answer
// stops the drive and calls `onCancel`. `report` hears each state the engine knows with the
// sectors written so far; the drive's current speed (what it took in the last second) goes to
// `drive.jobSpeed`.
void FollowBurn(burn_drive* d, PhysicalShared& drive, int bytesPerSector,
                const std::function<bool()>& cancelAsked, const std::function<void()>& onCancel,
                const std::function<void(std::int32_t status, std::int64_t sector)>& report);

} // namespace discengine::physical
