#include "isofs/ImageWriter.h"

#include "Emit.h"
#include "isofs/Errors.h"
#include "isofs/TargetFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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
            emitFileEntries();
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
        flushRun();
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

    // A UDF file entry per file, a block each: built in the sink's own buffer where it offers
    // one, so a hundred thousand files cost no allocation and no extra copy each.
    void emitFileEntries() {
        Blocks spare(kBlockSize);
        for (auto n : d_.files) {
            zeros(d_.nodes[n].udfFe);
            if (position_ != d_.nodes[n].udfFe)
                throw std::logic_error("image structures out of order");
            checkCancel();
            auto room = sink_.reserve(kBlockSize);
            const bool inPlace = room.size() == kBlockSize;
            std::uint8_t* block = inPlace ? room.data() : spare.data();
            std::memset(block, 0, kBlockSize);
            udfFileEntry(d_, n, block);
            if (inPlace)
                sink_.commit(kBlockSize);
            else
                sink_.write(block, kBlockSize);
            advanced(kBlockSize);
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

    // Every write to the sink goes after the files still waiting in the run.
    void emit(std::uint32_t at, const Blocks& blocks) {
        zeros(at);
        if (position_ != at)
            throw std::logic_error("image structures out of order");
        flushRun();
        sink_.write(blocks.data(), blocks.size());
        advanced(blocks.size());
    }

    void zeros(std::uint32_t upTo) {
        if (position_ < upTo)
            flushRun();
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
        flushRun();
        zeroSink(bytes);
        advanced(bytes);
    }

    // Zeros into the sink without counting them (the run counted its bytes when they joined).
    void zeroSink(std::uint64_t bytes) {
        while (bytes > 0) {
            checkCancel();
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, sizeof gZeros));
            sink_.write(gZeros, n);
            bytes -= n;
        }
    }

    // A source that cannot be read: the write fails, or (ignoreUnreadable) the file is reported
    // and its remaining `bytes` are zeros.
    void unreadable(std::uint32_t n, const std::string& source, const SourceError& e,
                    std::uint64_t bytes, bool counted) {
        if (!d_.options.ignoreUnreadable)
            throw e;
        SourceWarning w{source, d_.imagePath(n), e.errnum(), e.what()};
        result_.warnings.push_back(w);
        if (observer_)
            observer_->warning(w);
        if (counted)
            zeroSink(bytes);
        else
            zeroBytes(bytes);
    }

    void copyFile(std::uint32_t n, const std::string& source) {
        const Node& f = d_.nodes[n];
        std::unique_ptr<SourceReader> reader;
        try {
            reader = opener_.open(source);
            if (reader->size() != f.size)
                throw SourceError(source, 0,
                                  "The file " + source + " changed its size since it was added");
        } catch (const SourceError& e) {
            flushRun(); // the files before it come first, with their own reports
            unreadable(n, source, e, f.size, false);
            padBlock();
            return;
        }
        if (joinRun(n, reader))
            return;
        flushRun();
        std::uint64_t left = f.size;
        try {
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
            unreadable(n, source, e, left, false);
        }
        padBlock();
    }

    void padBlock() {
        if (bytesInBlock_)
            zeroBytes(kBlockSize - bytesInBlock_);
    }

    // A file lying in whole blocks right after the run's last one (on the source and, as the
    // caller has just padded, in the image) joins the run instead of being copied now: a disc
    // read into an image becomes a few large in-kernel copies instead of a read and a write per
    // file. The blocks count as written at once; flushRun() puts them into the sink.
    bool joinRun(std::uint32_t n, std::unique_ptr<SourceReader>& reader) {
        const std::uint64_t size = d_.nodes[n].size;
        if (size == 0 || size >= kPiece || bytesInBlock_ != 0 || !reader->wholeBlocks() ||
            reader->nativeFd() < 0)
            return false;
        const std::uint64_t blocks = (size + kBlockSize - 1) / kBlockSize * kBlockSize;
        const int fd = reader->nativeFd();
        const std::uint64_t offset = reader->nativeOffset();
        if (!run_.files.empty() &&
            (fd != run_.fd || offset != run_.start + run_.length || run_.length + blocks > kPiece))
            flushRun();
        if (run_.files.empty()) {
            run_.fd = fd;
            run_.start = offset;
            run_.keeper = std::move(reader); // keeps the descriptor open until the copy
        }
        run_.files.push_back({n, size, blocks});
        run_.length += blocks;
        advanced(blocks);
        return true;
    }

    void flushRun() {
        if (run_.files.empty())
            return;
        const Run run = std::move(run_);
        run_ = Run{};
        std::uint64_t done = 0, fileStart = 0;
        std::size_t i = 0; // the file `done` lies in
        while (done < run.length) {
            checkCancel();
            while (done >= fileStart + run.files[i].blocks)
                fileStart += run.files[i++].blocks;
            const std::uint64_t at = run.start + done;
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(run.length - done, kPiece));
            std::int64_t got = sink_.copyFromFd(run.fd, at, want);
            if (got <= 0)
                got = readRange(run.fd, at, want);
            if (got > 0) {
                done += static_cast<std::uint64_t>(got);
                continue;
            }
            // This file could not be read to its end: report it, zeros for the rest of its
            // blocks, and go on with the next.
            const PendingFile& f = run.files[i];
            const std::uint64_t fileEnd = fileStart + f.blocks;
            if (done - fileStart < f.bytes) {
                const std::string source = d_.nodes[f.node].source();
                unreadable(f.node, source, whyUnreadable(source, got < 0 ? -got : EIO),
                           fileEnd - done, true);
            } else
                zeroSink(fileEnd - done); // only the slack after its data is missing
            done = fileEnd;
        }
    }

    // Positioned read into the sink: the bytes read, 0 at the end of the file, -errno.
    std::int64_t readRange(int fd, std::uint64_t offset, std::size_t bytes) {
        auto room = sink_.reserve(std::min(bytes, kReadPiece));
        const bool own = room.empty();
        if (own) {
            buffer_.resize(kReadPiece);
            room = {buffer_.data(), std::min(bytes, kReadPiece)};
        }
        ssize_t n;
        do
            n = ::pread(fd, room.data(), room.size(), static_cast<off_t>(offset));
        while (n < 0 && errno == EINTR);
        if (n <= 0)
            return n < 0 ? -errno : 0;
        if (own)
            sink_.write(room.data(), static_cast<std::size_t>(n));
        else
            sink_.commit(static_cast<std::size_t>(n));
        return n;
    }

    // The source's own account of a failed read: opening it again tells a disc that has gone
    // from a plain read error.
    SourceError whyUnreadable(const std::string& source, int errnum) const {
        try {
            opener_.open(source);
        } catch (const SourceError& e) {
            return e;
        }
        return SourceError(source, errnum, "Read error in " + source);
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

    // Files waiting to be copied as one range of one descriptor.
    struct PendingFile {
        std::uint32_t node;   // its source path is made again only if it cannot be read
        std::uint64_t bytes;  // its data
        std::uint64_t blocks; // its whole blocks, in bytes
    };
    struct Run {
        std::unique_ptr<SourceReader> keeper;
        int fd = -1;
        std::uint64_t start = 0, length = 0;
        std::vector<PendingFile> files;
    };
    Run run_;
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
