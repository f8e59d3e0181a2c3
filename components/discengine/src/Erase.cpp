// The erase job: quick (table of contents only) or full (every block of the medium), with the
// speed throttle and the fault injection of drive.ini.
#include "EngineShared.h"
#include "StoreFiles.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <chrono>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace discengine {

using namespace storefiles;

namespace {

// A quick erase rewrites the lead-in and the first program area blocks (the TOC and PMA).
constexpr std::int64_t kQuickEraseBlocks = 300;
constexpr std::int64_t kChunkBlocks = 3000;

struct EraseFailure {
    std::int32_t code;
    std::string description, detail;
};

MediumState BlankOf(const MediumState& old) {
    MediumState blank;
    blank.mediaType = old.mediaType;
    blank.capacity = old.capacity;
    blank.erasable = old.erasable;
    blank.discType = kDiscTypeCDDA;
    blank.discStatus = kDiscEmpty;
    blank.lastSessionStatus = kSessionEmpty;
    return blank;
}

void RemovePayload(const fs::path& folder, const MediumState& medium) {
    std::error_code ec;
    if (!medium.audioPayload.empty()) {
        fs::remove((folder / medium.audioPayload).replace_extension(".bin"), ec);
        fs::remove(folder / medium.audioPayload, ec);
    }
    if (!medium.dataPayload.empty())
        fs::remove(folder / medium.dataPayload, ec);
}

// Reads the drive again: the tray may have been opened or the medium changed by anyone.
MediumState CurrentMedium(const fs::path& folder) {
    DriveState state = LoadDriveState(folder, false);
    if (state.config.trayOpen)
        throw EraseFailure{kErrNoMedium, "Medium not present", "the tray was opened"};
    if (!state.medium)
        throw EraseFailure{kErrNoMedium, "Medium not present",
                           state.problem.empty() ? "no disc in the drive" : state.problem};
    return *state.medium;
}

// Overwrites [from, to) blocks of the payload files with zeros (what a full blank does to the
// recorded area); blocks past the payload are unrecorded and need no store I/O.
void ZeroPayload(const fs::path& folder, const MediumState& medium, std::int64_t from,
                 std::int64_t to) {
    static const std::vector<char> zeros(kChunkBlocks * 2352, 0);
    auto zero = [&](const fs::path& file, std::int64_t blockBytes) {
        // A payload linked to a user's image is never written through: the erase unlinks it
        // with the rest of the payload when it ends.
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1)
            return;
        std::error_code ec;
        auto size = static_cast<std::int64_t>(fs::file_size(file, ec));
        if (ec)
            return;
        std::int64_t begin = from * blockBytes, end = std::min(size, to * blockBytes);
        if (begin >= end)
            return;
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(begin);
        out.write(zeros.data(), end - begin);
        if (!out)
            throw EraseFailure{kErrStoreFailure, "Write error", "the drive store refused a write"};
    };
    if (!medium.dataPayload.empty())
        zero(folder / medium.dataPayload, 2048);
    if (!medium.audioPayload.empty())
        zero((folder / medium.audioPayload).replace_extension(".bin"), 2352);
}

void Throttle(std::chrono::steady_clock::time_point start, std::int64_t blocksDone,
              std::int32_t speedKBs, const CancelToken& cancel) {
    if (speedKBs <= 0)
        return;
    auto due = start + std::chrono::microseconds(blocksDone * 2048 * 1000000 /
                                                 (std::int64_t{speedKBs} * 1024));
    while (!cancel.Cancelled() && std::chrono::steady_clock::now() < due)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            due - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
}

} // namespace

void RunErase(const std::shared_ptr<DriveShared>& drive, const std::shared_ptr<ListenerHub>& hub,
              bool quick, std::int32_t speedKBs, const CancelToken& cancel) {
    const std::int32_t index = drive->index;
    const fs::path folder = drive->folder;
    const std::string context =
        std::string(quick ? "Quick" : "Full") + " erase of drive " + drive->letter + ":";
    bool started = false;
    MediumState original;
    std::int64_t done = 0;
    try {
        DriveState state = LoadDriveState(folder, false);
        if (!state.config.writer)
            throw EraseFailure{kErrNotWriter, "Invalid command", "the drive cannot write"};
        original = CurrentMedium(folder);
        if (!original.erasable)
            throw EraseFailure{kErrNotErasable, "Medium not erasable",
                               MediaTypeName(original.mediaType) + " cannot be erased"};
        const std::int64_t fail = state.config.failEraseAfterBlocks;
        const std::int64_t total = quick ? kQuickEraseBlocks : std::max(original.capacity, 1);
        drive->jobSpeed = speedKBs > 0 ? speedKBs : state.config.maxWriteSpeed;
        started = true;
        hub->Emit([&](IEngineListener& l) { l.OnEraseStatus(index, kEraseStarted, 0); });
        auto start = std::chrono::steady_clock::now();
        std::int32_t lastPercent = 0;
        while (done < total) {
            if (cancel.Cancelled())
                throw EraseFailure{kErrEraseFault, "Erase aborted", "the engine was shut down"};
            std::int64_t next = std::min(total, done + kChunkBlocks);
            if (fail >= 0 && next > fail) {
                done = std::max<std::int64_t>(done, fail);
                throw EraseFailure{kErrEraseFault, "Erase failure",
                                   "the medium failed at block " + std::to_string(fail)};
            }
            CurrentMedium(folder); // tray opened or medium gone mid-run ends the erase
            if (!quick)
                ZeroPayload(folder, original, done, next);
            done = next;
            Throttle(start, done, speedKBs, cancel);
            auto percent = static_cast<std::int32_t>(done * 100 / total);
            if (percent != lastPercent) {
                lastPercent = percent;
                hub->Emit(
                    [&](IEngineListener& l) { l.OnEraseStatus(index, kEraseProgress, percent); });
            }
        }
        {
            DriveLock lock(folder, DriveLock::Mode::Exclusive);
            WriteAtomic(folder / "medium.ini", FormatMediumIni(BlankOf(original)));
            RemovePayload(folder, original);
        }
        drive->Reload(false);
        drive->jobSpeed = 0;
        hub->Emit([&](IEngineListener& l) { l.OnEraseStatus(index, kEraseCompleted, 100); });
        return;
    } catch (const EraseFailure& failure) {
        auto error = MakeDeviceError(failure.code, failure.description, failure.detail,
                                     context + " at block " + std::to_string(done));
        if (started && done > 0) {
            // A partly blanked medium holds nothing usable any more: it reads as a disc of
            // unknown status that has to be erased again.
            try {
                MediumState damaged = BlankOf(original);
                damaged.discStatus = kDiscUnknown;
                damaged.lastSessionStatus = 255;
                {
                    DriveLock lock(folder, DriveLock::Mode::Exclusive);
                    if (fs::exists(folder / "medium.ini")) {
                        WriteAtomic(folder / "medium.ini", FormatMediumIni(damaged));
                        RemovePayload(folder, original);
                    }
                }
            } catch (const std::exception&) {
            }
        }
        drive->Reload(false);
        drive->jobSpeed = 0;
        hub->Emit([&](IEngineListener& l) { l.OnEraseError(index, error); });
    } catch (const std::exception& failure) {
        drive->jobSpeed = 0;
        auto error =
            MakeDeviceError(kErrStoreFailure, "Drive store failure", failure.what(), context);
        hub->Emit([&](IEngineListener& l) { l.OnEraseError(index, error); });
    }
    hub->Emit([&](IEngineListener& l) { l.OnEraseStatus(index, kEraseFailed, 0); });
}

} // namespace discengine
