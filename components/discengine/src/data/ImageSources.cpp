#include "Jobs.h"

#include "isofs/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace discengine::data {
namespace {

class PlanSource final : public ImageSource {
public:
    PlanSource(isofs::ImagePlan plan, std::shared_ptr<const isofs::SourceOpener> opener)
        : plan_(std::move(plan)), opener_(std::move(opener)) {}
    std::uint64_t Blocks() const override { return plan_.imageBlocks(); }
    isofs::WriteResult WriteTo(isofs::OutputSink& sink, isofs::WriteObserver* observer,
                               const std::atomic<bool>* cancel) override {
        return isofs::writeImage(plan_, *opener_, sink, observer, cancel);
    }

private:
    isofs::ImagePlan plan_;
    std::shared_ptr<const isofs::SourceOpener> opener_;
};

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

// An existing image file, copied block for block (padded to whole blocks).
class FileSource final : public ImageSource {
public:
    explicit FileSource(std::filesystem::path image) : image_(std::move(image)) {
        std::error_code ec;
        bytes_ = std::filesystem::file_size(image_, ec);
        if (ec)
            throw EngineError("Cannot read the image file " + image_.string());
    }
    std::uint64_t Blocks() const override { return (bytes_ + 2047) / 2048; }

    isofs::WriteResult WriteTo(isofs::OutputSink& sink, isofs::WriteObserver* observer,
                               const std::atomic<bool>* cancel) override {
        isofs::WriteResult result;
        FdCloser in{::open(image_.c_str(), O_RDONLY | O_CLOEXEC)};
        if (in.fd < 0)
            return Failed(result, errno, "Cannot open the image file " + image_.string());
        std::vector<char> buffer; // only when the kernel cannot copy for us
        std::uint64_t done = 0, total = Blocks() * 2048;
        try {
            while (done < bytes_) {
                if (cancel && cancel->load()) {
                    result.status = isofs::WriteResult::Status::Cancelled;
                    result.message = "The write was cancelled";
                    return result;
                }
                std::size_t piece =
                    static_cast<std::size_t>(std::min<std::uint64_t>(bytes_ - done, kPiece));
                std::int64_t copied = sink.copyFromFd(in.fd, done, piece);
                if (copied < 0)
                    return Failed(result, static_cast<int>(-copied),
                                  "Read error in the image file " + image_.string());
                if (copied == 0) {
                    buffer.resize(kPiece);
                    ssize_t got = ::pread(in.fd, buffer.data(), piece, static_cast<off_t>(done));
                    if (got < 0)
                        return Failed(result, errno,
                                      "Read error in the image file " + image_.string());
                    if (got == 0)
                        return Failed(result, 0,
                                      "The image file " + image_.string() + " became shorter");
                    sink.write(buffer.data(), static_cast<std::size_t>(got));
                    copied = got;
                }
                done += static_cast<std::uint64_t>(copied);
                if (observer)
                    observer->progress(done / 2048, total / 2048);
            }
            if (total > bytes_) {
                std::vector<char> pad(total - bytes_, 0);
                sink.write(pad.data(), pad.size());
            }
            sink.flush();
        } catch (const isofs::OutputError& e) {
            result.status = isofs::WriteResult::Status::OutputFailed;
            result.message = e.what();
            result.errnum = e.errnum();
            return result;
        }
        result.blocksWritten = total / 2048;
        if (observer)
            observer->progress(result.blocksWritten, result.blocksWritten);
        return result;
    }

private:
    static constexpr std::size_t kPiece = 8u << 20;

    isofs::WriteResult& Failed(isofs::WriteResult& result, int errnum, std::string message) {
        result.status = isofs::WriteResult::Status::SourceFailed;
        result.errnum = errnum;
        result.message = std::move(message);
        result.sourcePath = image_.string();
        return result;
    }

    std::filesystem::path image_;
    std::uint64_t bytes_ = 0;
};

} // namespace

std::unique_ptr<ImageSource> MakePlanSource(isofs::ImagePlan plan,
                                            std::shared_ptr<const isofs::SourceOpener> opener) {
    return std::make_unique<PlanSource>(std::move(plan), std::move(opener));
}

std::unique_ptr<ImageSource> MakeFileSource(const std::filesystem::path& image) {
    return std::make_unique<FileSource>(image);
}

} // namespace discengine::data
