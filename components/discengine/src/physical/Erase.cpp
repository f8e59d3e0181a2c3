// Erasing a physical medium through libburn: blanking for CD-RW and DVD-RW, formatting for
// media written in place. Progress comes from the drive; a refusal carries its sense data.
#include "Libburn.h"
#include "PhysicalDevice.h"

#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <chrono>
#include <thread>

namespace discengine::physical {

EraseKind EraseKindOf(int profile, bool erasable) {
    switch (profile) {
    case 0x0A:
    case 0x13:
    case 0x14:
        return erasable || profile != 0x0A ? EraseKind::Blank : EraseKind::Refuse;
    case 0x12:
    case 0x1A:
    case 0x2A:
    case 0x43:
    case 0x52:
        return EraseKind::Format;
    default:
        return EraseKind::Refuse;
    }
}

namespace {

struct EraseFailure {
    SenseError error;
};

EraseFailure Failure(std::int32_t code, const std::string& description, std::string detail) {
    return EraseFailure{SenseError{code, description, std::move(detail)}};
}

// The drive's own refusal, from libburn's messages; `fallback` when they carry none.
EraseFailure DriveFailure(const std::string& fallback) {
    std::string messages = TakeLibburnMessages();
    SenseError sense = SenseOfMessage(messages);
    if (sense.code == 0)
        sense = SenseError{kErrEraseFault, fallback, messages.empty() ? fallback : messages};
    return EraseFailure{sense};
}

} // namespace

void RunPhysicalErase(const std::shared_ptr<PhysicalShared>& drive,
                      const std::shared_ptr<ListenerHub>& hub, bool quick, std::int32_t speedKBs,
                      const CancelToken& cancel) {
    const std::int32_t index = drive->index;
    const std::string context = std::string(quick ? "Quick" : "Full") + " erase of drive " +
                                drive->letter + ": (" + drive->devicePath + ")";
    auto emit = [&](std::int32_t status, std::int32_t percent) {
        hub->Emit([&](IEngineListener& l) { l.OnEraseStatus(index, status, percent); });
    };
    BusyDrive busy(*drive);
    try {
        std::string grabError;
        auto grabbed = GrabbedDrive::Grab(drive->address, grabError);
        if (!grabbed)
            throw Failure(kErrDriveBusy, "The drive cannot be opened", grabError);
        DriveAnswers answers = grabbed->ReadDrive();
        MediumAnswers medium = grabbed->ReadMedium();
        if (!IsWriterOf(CapabilitiesOf(answers)))
            throw Failure(kErrNotWriter, "Invalid command", "the drive cannot write");
        if (medium.status == kBurnEmpty || medium.profile <= 0)
            throw Failure(kErrNoMedium, "Medium not present", "no disc in the drive");
        burn_drive* d = grabbed->Drive();
        const EraseKind kind = EraseKindOf(medium.profile, medium.erasable);
        if (kind == EraseKind::Refuse || grabbed->IsPseudoDrive())
            throw Failure(kErrNotErasable, "Medium not erasable",
                          MediaTypeName(MediaTypeOfProfile(medium.profile)) +
                              " cannot be erased in this drive");
        burn_drive_set_speed(d, 0, speedKBs > 0 ? speedKBs : 0);
        drive->jobSpeed = speedKBs > 0 ? speedKBs : MaxWriteSpeedOf(answers);
        emit(kEraseStarted, 0);
        if (kind == EraseKind::Blank) {
            // libburn blanks only what it sees as written; a blank disc is blanked again.
            if (medium.status == kBurnBlank)
                burn_disc_pretend_full(d);
            burn_disc_erase(d, quick ? 1 : 0);
        } else {
            // Re-format: quickly (size as the medium suggests) or to the full size.
            const int reformat = 1 << 4, fullSize = 2 << 1;
            burn_disc_format(d, 0, reformat | (quick ? 0 : fullSize));
        }
        // The drive cannot be interrupted once it erases; shutdown waits for it.
        std::int32_t lastPercent = -1;
        burn_progress progress{};
        enum burn_drive_status state;
        while ((state = burn_drive_get_status(d, &progress)) != BURN_DRIVE_IDLE) {
            if (state == BURN_DRIVE_ERASING || state == BURN_DRIVE_FORMATTING) {
                std::int32_t percent =
                    progress.sectors > 0 ? static_cast<std::int32_t>(std::int64_t{progress.sector} *
                                                                     100 / progress.sectors)
                                         : 0;
                if (percent != lastPercent && percent < 100) {
                    lastPercent = percent;
                    emit(kEraseProgress, percent);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(cancel.Cancelled() ? 50 : 250));
        }
        if (burn_drive_wrote_well(d) != 1)
            throw DriveFailure("Erase failure");
        TakeLibburnMessages();
        grabbed.reset();
        drive->jobSpeed = 0;
        busy.Release();
        drive->Look();
        emit(kEraseCompleted, 100);
        return;
    } catch (const EraseFailure& failure) {
        drive->jobSpeed = 0;
        auto error = MakeDeviceError(failure.error.code, failure.error.description,
                                     failure.error.detail, context);
        hub->Emit([&](IEngineListener& l) { l.OnEraseError(index, error); });
    }
    busy.Release();
    drive->Look();
    emit(kEraseFailed, 0);
}

} // namespace discengine::physical
