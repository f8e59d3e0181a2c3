#include "discengine/Errors.h"

#include <utility>

namespace discengine {
namespace {

class DeviceError final : public IDeviceErrorX {
public:
    DeviceError(std::int32_t code, std::string description, std::string detail, std::string context)
        : code_(code), description_(std::move(description)), detail_(std::move(detail)),
          context_(std::move(context)) {}
    std::int32_t ErrorCode() const override { return code_; }
    std::string Description() const override { return description_; }
    std::string Detail() const override { return detail_; }
    std::string Context() const override { return context_; }

private:
    std::int32_t code_;
    std::string description_, detail_, context_;
};

class FileError final : public IFileErrorX {
public:
    FileError(std::int32_t code, std::string description, std::string path)
        : code_(code), description_(std::move(description)), path_(std::move(path)) {}
    std::int32_t ErrorCode() const override { return code_; }
    std::string Description() const override { return description_; }
    std::string Path() const override { return path_; }

private:
    std::int32_t code_;
    std::string description_, path_;
};

class WriteError final : public IWriteErrorX {
public:
    WriteError(std::int32_t kind, std::string description, std::shared_ptr<IDeviceErrorX> device,
               std::shared_ptr<IFileErrorX> file, std::int32_t systemCode)
        : kind_(kind), description_(std::move(description)), device_(std::move(device)),
          file_(std::move(file)), systemCode_(systemCode) {}
    std::int32_t Kind() const override { return kind_; }
    std::string Description() const override { return description_; }
    std::shared_ptr<IDeviceErrorX> DeviceError() const override { return device_; }
    std::shared_ptr<IFileErrorX> FileError() const override { return file_; }
    std::int32_t SystemErrorCode() const override { return systemCode_; }

private:
    std::int32_t kind_;
    std::string description_;
    std::shared_ptr<IDeviceErrorX> device_;
    std::shared_ptr<IFileErrorX> file_;
    std::int32_t systemCode_;
};

} // namespace

std::shared_ptr<IDeviceErrorX> MakeDeviceError(std::int32_t code, std::string description,
                                               std::string detail, std::string context) {
    return std::make_shared<DeviceError>(code, std::move(description), std::move(detail),
                                         std::move(context));
}

std::shared_ptr<IFileErrorX> MakeFileError(std::int32_t code, std::string description,
                                           std::string path) {
    return std::make_shared<FileError>(code, std::move(description), std::move(path));
}

std::shared_ptr<IWriteErrorX> MakeWriteError(std::int32_t kind, std::string description,
                                             std::shared_ptr<IDeviceErrorX> deviceError,
                                             std::shared_ptr<IFileErrorX> fileError,
                                             std::int32_t systemErrorCode) {
    return std::make_shared<WriteError>(kind, std::move(description), std::move(deviceError),
                                        std::move(fileError), systemErrorCode);
}

} // namespace discengine
