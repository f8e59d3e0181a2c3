#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace discengine {

// Every engine call that fails throws this; what() is the message text shown to the user.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

// The disc a volume was opened on is no longer in its drive (ejected, removed or replaced):
// nothing more can be read from it, so a job reading many files stops instead of failing each.
class MediumGoneError : public EngineError {
public:
    using EngineError::EngineError;
};

// A drive-level failure (medium missing, not erasable, write fault, ...).
class IDeviceErrorX {
public:
    virtual ~IDeviceErrorX() = default;
    virtual std::int32_t ErrorCode() const = 0;
    virtual std::string Description() const = 0;
    virtual std::string Detail() const = 0;
    virtual std::string Context() const = 0;
};

// A failure tied to a file (a source track, an output image).
class IFileErrorX {
public:
    virtual ~IFileErrorX() = default;
    virtual std::int32_t ErrorCode() const = 0;
    virtual std::string Description() const = 0;
    virtual std::string Path() const = 0;
};

// A source file that failed because its disc left the drive (the error code is ENOMEDIUM).
// Every further file would fail as well and an image of zeros is no copy of the disc, so a job
// reading from a disc ends on this warning instead of passing it over like one unreadable file.
inline bool MediumGone(const IFileErrorX* error) {
    return error && error->ErrorCode() == ENOMEDIUM;
}

// Kinds of IWriteErrorX::Kind.
enum WriteErrorKind : std::int32_t {
    kWriteErrorDevice = 1,
    kWriteErrorOutputFile = 2,
    kWriteErrorSourceFile = 3,
    kWriteErrorSystem = 5,
};

// The error of a write job. DeviceError / FileError are null unless Kind says so.
class IWriteErrorX {
public:
    virtual ~IWriteErrorX() = default;
    virtual std::int32_t Kind() const = 0;
    virtual std::string Description() const = 0;
    virtual std::shared_ptr<IDeviceErrorX> DeviceError() const = 0;
    virtual std::shared_ptr<IFileErrorX> FileError() const = 0;
    virtual std::int32_t SystemErrorCode() const = 0;
};

// Plain value objects for the three error interfaces, for every job that has to report one.
std::shared_ptr<IDeviceErrorX> MakeDeviceError(std::int32_t code, std::string description,
                                               std::string detail, std::string context);
std::shared_ptr<IFileErrorX> MakeFileError(std::int32_t code, std::string description,
                                           std::string path);
std::shared_ptr<IWriteErrorX> MakeWriteError(std::int32_t kind, std::string description,
                                             std::shared_ptr<IDeviceErrorX> deviceError,
                                             std::shared_ptr<IFileErrorX> fileError,
                                             std::int32_t systemErrorCode);

// Device error codes the drives report (SCSI sense key << 16 | ASC << 8 | ASCQ).
enum DeviceErrorCode : std::int32_t {
    kErrNoMedium = 0x023A00,           // medium not present (tray open or empty)
    kErrNotErasable = 0x052400,        // invalid field: the medium cannot be blanked
    kErrWriteFault = 0x030C00,         // write error on the medium
    kErrEraseFault = 0x035100,         // erase failure
    kErrDriveBusy = 0x020400,          // logical unit not ready, operation in progress
    kErrStoreFailure = 0x044400,       // internal failure of the drive's backing store
    kErrNotWriter = 0x052000,          // invalid command: the drive cannot write
    kErrIncompatibleMedium = 0x053000, // the medium cannot be written (or is not blank)
    kErrNoSpace = 0x052100,            // the image does not fit on the medium
    kErrMediumChanged = 0x062800,      // the disc was removed or replaced during the job
};

} // namespace discengine
