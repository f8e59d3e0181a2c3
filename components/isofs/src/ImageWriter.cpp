#include "isofs/ImageWriter.h"

#include "Emit.h"
#include "isofs/Errors.h"
#include "isofs/TargetFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace isofs {

namespace {

using namespace detail;

struct Cancelled {};

// Copies file data in pieces of this size; cancel and progress are checked between pieces.
constexpr std::size_t kPiece = 8u << 20;
// Data that passes through user space (small files, sources without a descriptor) is read in
// pieces of this size: larger buffers only cost memory.
constexpr std::size_t kReadPiece = 1u << 20;
constexpr std::uint64_t kDirectCopyMin = 1u << 20;

// Padding and the zeros of unreadable sources; never written to, so it costs no memory.
std::uint8_t gZeros[1u << 20];

class Streamer {
public:
    Streamer(const PlanData& d, const SourceOpener& opener, OutputSink& sink,
             WriteObserver* observer, const std::atomic<bool>* cancel, WriteResult& result)
        : d_(d), opener_(opener), sink_(sink), observer_(observer), cancel_(cancel),
          result_(result) {}

    void run() {
        emitVolumeArea();
        if (d_.iso) {
            emit(d_.isoPathL, isoPathTable(d_, false, false));
            emit(d_.isoPathM, isoPathTable(d_, false, true));
        }
        if (d_.joliet) {
            emit(d_.jolietPathL, isoPathTable(d_, true, false));
            emit(d_.jolietPathM, isoPathTable(d_, true, true));
        }
        for (auto n : d_.isoDirs)
            emit(d_.nodes[n].isoLsn, isoDirectory(d_, n, false));
        for (auto n : d_.jolietDirs)
            emit(d_.nodes[n].jolietLsn, isoDirectory(d_, n, true));
        if (d_.udf) {
            emit(d_.fsdLsn, udfFileSet(d_));
            for (auto n : d_.udfDirs)
                emit(d_.nodes[n].udfFe, udfDirectory(d_, n));
            for (auto n : d_.files)
                emit(d_.nodes[n].udfFe, udfFileEntry(d_, n));
        }
        std::uint64_t index = 0;
        for (auto n : d_.files) {
            // A file's source path is put together from the plan's pieces once.
            const std::string source = d_.nodes[n].source();
            if (observer_)
                observer_->fileStarted(index++, d_.files.size(), d_.imagePath(n), source);
            zeros(d_.nodes[n].dataLsn);
            copyFile(n, source);
        }
        if (d_.udf) {
            zeros(d_.totalBlocks - 1);
            emit(d_.totalBlocks - 1, udfAnchor(d_, d_.totalBlocks - 1));
        }
        zeros(d_.totalBlocks);
        sink_.flush();
        report();
    }

private:
    void emitVolumeArea() {
        zeros(16);
        if (d_.iso) {
            emit(16, isoVolumeDescriptor(d_, false));
            if (d_.joliet)
                emit(17, isoVolumeDescriptor(d_, true));
            emit(position_, isoTerminator());
        }
        if (d_.udf) {
            emit(d_.vrsStart, udfRecognition());
            emit(kUdfMainVds, udfVolumeSequence(d_, kUdfMainVds));
            emit(kUdfReserveVds, udfVolumeSequence(d_, kUdfReserveVds));
            emit(kUdfLvid, udfIntegrity(d_));
            emit(kUdfAnchor, udfAnchor(d_, kUdfAnchor));
        }
    }

    void checkCancel() {
        if (cancel_ && cancel_->load(std::memory_order_relaxed))
            throw Cancelled{};
    }

    void advanced(std::uint64_t bytes) {
        bytesInBlock_ += bytes;
        position_ += static_cast<std::uint32_t>(bytesInBlock_ / kBlockSize);
        bytesInBlock_ %= kBlockSize;
        if (position_ - reported_ >= 512) // every MiB
            report();
    }

    void report() {
        reported_ = position_;
        result_.blocksWritten = position_;
        if (observer_)
            observer_->progress(position_, d_.totalBlocks);
    }

    void emit(std::uint32_t at, const Blocks& blocks) {
        zeros(at);
        if (position_ != at)
            throw std::logic_error("image structures out of order");
        sink_.write(blocks.data(), blocks.size());
        advanced(blocks.size());
    }

    void zeros(std::uint32_t upTo) {
        while (position_ < upTo) {
            checkCancel();
            std::uint64_t bytes = std::min<std::uint64_t>(
                static_cast<std::uint64_t>(upTo - position_) * kBlockSize - bytesInBlock_,
                sizeof gZeros);
            sink_.write(gZeros, bytes);
            advanced(bytes);
        }
    }

    void zeroBytes(std::uint64_t bytes) {
        while (bytes > 0) {
            checkCancel();
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, sizeof gZeros));
            sink_.write(gZeros, n);
            advanced(n);
            bytes -= n;
        }
    }

    void copyFile(std::uint32_t n, const std::string& source) {
        const Node& f = d_.nodes[n];
        std::uint64_t left = f.size;
        try {
            auto reader = opener_.open(source);
            if (reader->size() != f.size)
                throw SourceError(source, 0,
                                  "The file " + source + " changed its size since it was added");
            while (left > 0) {
                checkCancel();
                std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPiece));
                std::size_t got = 0;
                // Small files go through the buffer: an in-kernel copy costs a flush each.
                if (reader->nativeFd() >= 0 && f.size >= kDirectCopyMin) {
                    std::int64_t c =
                        sink_.copyFromFd(reader->nativeFd(), reader->nativeOffset(), piece);
                    if (c > 0) {
                        reader->advance(static_cast<std::uint64_t>(c));
                        got = static_cast<std::size_t>(c);
                    }
                }
                if (got == 0)
                    got = readThrough(*reader, std::min(piece, kReadPiece));
                if (got == 0)
                    throw SourceError(source, 0,
                                      "The file " + source + " became shorter while writing");
                advanced(got);
                left -= got;
            }
        } catch (const SourceError& e) {
            if (!d_.options.ignoreUnreadable)
                throw;
            SourceWarning w{source, d_.imagePath(n), e.errnum(), e.what()};
            result_.warnings.push_back(w);
            if (observer_)
                observer_->warning(w);
            zeroBytes(left);
        }
        // Pad the last block of the file.
        if (bytesInBlock_)
            zeroBytes(kBlockSize - bytesInBlock_);
    }

    // Reads into the sink's own buffer where it offers one: a copy less of every small file.
    std::size_t readThrough(SourceReader& reader, std::size_t bytes) {
        if (auto room = sink_.reserve(bytes); !room.empty()) {
            const std::size_t got = reader.read(room.data(), room.size());
            sink_.commit(got);
            return got;
        }
        if (buffer_.size() < kReadPiece)
            buffer_.resize(kReadPiece);
        const std::size_t got = reader.read(buffer_.data(), bytes);
        if (got > 0)
            sink_.write(buffer_.data(), got);
        return got;
    }

    const PlanData& d_;
    const SourceOpener& opener_;
    OutputSink& sink_;
    WriteObserver* observer_;
    const std::atomic<bool>* cancel_;
    WriteResult& result_;
    std::uint32_t position_ = 0; // next block
    std::uint64_t bytesInBlock_ = 0;
    std::uint32_t reported_ = 0;
    std::vector<std::uint8_t> buffer_;
};

} // namespace

WriteResult writeImage(const ImagePlan& plan, const SourceOpener& opener, OutputSink& sink,
                       WriteObserver* observer, const std::atomic<bool>* cancel) {
    WriteResult result;
    Streamer streamer(*plan.data(), opener, sink, observer, cancel, result);
    try {
        streamer.run();
    } catch (const Cancelled&) {
        result.status = WriteResult::Status::Cancelled;
        result.message = "The write was cancelled";
    } catch (const SourceError& e) {
        result.status = WriteResult::Status::SourceFailed;
        result.message = e.what();
        result.sourcePath = e.path();
        result.errnum = e.errnum();
        const auto& d = *plan.data();
        for (auto n : d.files)
            if (d.nodes[n].source() == e.path()) {
                result.imagePath = d.imagePath(n);
                break;
            }
    } catch (const OutputError& e) {
        result.status = WriteResult::Status::OutputFailed;
        result.message = e.what();
        result.errnum = e.errnum();
    }
    return result;
}

WriteResult writeImageFile(const ImagePlan& plan, const SourceOpener& opener,
                           const std::filesystem::path& target, WriteObserver* observer,
                           const std::atomic<bool>* cancel) {
    WriteResult result;
    try {
        TargetFile file(target);
        {
            FdSink sink(file.fd());
            result = writeImage(plan, opener, sink, observer, cancel);
        }
        if (result.status == WriteResult::Status::Completed)
            file.commit();
    } catch (const OutputError& e) {
        result.status = WriteResult::Status::OutputFailed;
        result.message = e.what();
        result.errnum = e.errnum();
    }
    return result;
}

} // namespace isofs
