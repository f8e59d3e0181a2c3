#include "PayloadWriter.h"

#include "../CueSheet.h"
#include "../StoreFiles.h"
#include "Sectors.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine::sheets {
namespace {

// An output file descriptor, closed on destruction.
class OutFile {
public:
    explicit OutFile(const fs::path& path)
        : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
        if (fd_ < 0)
            Fail();
    }
    ~OutFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    void WriteAt(const char* data, std::int64_t size, std::int64_t offset) {
        while (size > 0) {
            ssize_t put = ::pwrite(fd_, data, static_cast<std::size_t>(size), offset);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                Fail();
            data += put;
            size -= put;
            offset += put;
        }
    }
    void Truncate(std::int64_t size) {
        if (::ftruncate(fd_, size) != 0)
            Fail();
    }
    void Close() {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            Fail();
    }

private:
    [[noreturn]] void Fail() const {
        throw EngineError("Cannot write " + path_.filename().string() +
                          " into the drive: " + std::strerror(errno));
    }
    fs::path path_;
    int fd_ = -1;
};

// The bytes of one track, piece after piece; past the last piece, zeros.
class TrackBytes {
public:
    TrackBytes(const DiscPlan& plan, const PlanTrack& track) : plan_(plan), track_(track) {}

    // Fills `size` bytes; true when any of them came from a file.
    bool Read(char* out, std::int64_t size) {
        bool fromFile = false;
        while (size > 0) {
            if (piece_ >= track_.pieces.size()) {
                std::memset(out, 0, static_cast<std::size_t>(size));
                return fromFile;
            }
            const Piece& piece = track_.pieces[piece_];
            std::int64_t n = std::min(size, piece.bytes - done_);
            if (piece.file < 0) {
                std::memset(out, 0, static_cast<std::size_t>(n));
            } else {
                ReadFile(piece, out, n);
                fromFile = true;
            }
            out += n;
            size -= n;
            done_ += n;
            if (done_ == piece.bytes) {
                ++piece_;
                done_ = 0;
            }
        }
        return fromFile;
    }

private:
    void ReadFile(const Piece& piece, char* out, std::int64_t n) {
        const PlanFile& file = plan_.files[static_cast<std::size_t>(piece.file)];
        std::int64_t at = file.dataOffset + piece.offset + done_;
        std::int64_t got = ReadAt(file.file.Fd(), out, n, at);
        if (got < n && at + got < file.dataOffset + file.dataBytes)
            throw EngineError("Cannot read " + file.path.string() +
                              ": it is shorter than when the sheet was read, or unreadable");
        std::memset(out + got, 0, static_cast<std::size_t>(n - got)); // a partial last sector
        if (file.kind == FileKind::Motorola) {
            // Big-endian samples: swap each pair, counted from the piece's start.
            for (std::int64_t i = (piece.offset + done_) % 2; i + 1 < n; i += 2)
                std::swap(out[i], out[i + 1]);
        }
    }

    const DiscPlan& plan_;
    const PlanTrack& track_;
    std::size_t piece_ = 0;
    std::int64_t done_ = 0;
};

struct Layout {
    std::vector<std::int64_t> first; // LBA of each track's first sector
    std::vector<std::int64_t> sectors;
    std::int64_t end = 0;
};

Layout LayOut(const DiscPlan& plan) {
    Layout layout;
    for (const PlanTrack& track : plan.tracks) {
        layout.first.push_back(layout.end);
        layout.sectors.push_back(track.Sectors());
        layout.end += layout.sectors.back();
    }
    return layout;
}

// The one file of the plan when the payload file would be a byte-for-byte copy of it.
const PlanFile* WholeSource(const DiscPlan& plan, std::int64_t sectorBytes) {
    if (plan.files.size() != 1)
        return nullptr;
    const PlanFile& file = plan.files.front();
    if (file.kind != FileKind::Binary || file.dataOffset != 0 ||
        file.dataBytes != file.file.Size() || file.dataBytes % sectorBytes != 0)
        return nullptr;
    std::int64_t next = 0;
    for (const PlanTrack& track : plan.tracks)
        for (const Piece& piece : track.pieces) {
            if (piece.file != 0 || piece.offset != next || SectorBytes(track.mode) != sectorBytes)
                return nullptr;
            next += piece.bytes;
        }
    return next == file.dataBytes ? &file : nullptr;
}

// Links `source` as `target`: the very file we opened when the file system allows a hard link,
// else a symbolic link to its real path. False when neither works.
bool LinkSource(const PlanFile& source, const fs::path& target) {
    std::string self = "/proc/self/fd/" + std::to_string(source.file.Fd());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    std::error_code ec;
    fs::path real = fs::canonical(source.path, ec);
    if (ec)
        return false;
    fs::create_symlink(real, target, ec);
    return !ec;
}

// The next sector of a data track as the BIN holds it: raw sectors as the image has them, the
// others given sync, header and (mode 1) EDC/ECC. Sectors no file gave (a PREGAP) are empty
// sectors of the track's mode.
void RawDataSector(SectorMode mode, TrackBytes& bytes, std::int64_t lba, char* sector, char* out) {
    const bool fromFile = bytes.Read(sector, SectorBytes(mode));
    if (mode == SectorMode::Mode1Raw || mode == SectorMode::Mode2Raw) {
        if (fromFile) {
            std::memcpy(out, sector, kRawSector);
            return;
        }
        std::memset(sector, 0, kRawSector);
        mode = mode == SectorMode::Mode1Raw ? SectorMode::Mode1Cooked : SectorMode::Mode2Formless;
    }
    if (mode == SectorMode::Mode1Cooked)
        RawFromCooked(sector, lba, out);
    else
        RawFromFormless(sector, lba, out);
}

void WriteBin(const DiscPlan& plan, const Layout& layout, const fs::path& target) {
    if (const PlanFile* whole = WholeSource(plan, kRawSector); whole && LinkSource(*whole, target))
        return;
    OutFile out(target);
    constexpr std::int64_t kChunk = 64;
    std::vector<char> buffer(kChunk * kRawSector), sector(kRawSector);
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const PlanTrack& track = plan.tracks[t];
        TrackBytes bytes(plan, track);
        for (std::int64_t s = 0; s < layout.sectors[t];) {
            std::int64_t n = std::min(kChunk, layout.sectors[t] - s);
            std::int64_t lba = layout.first[t] + s;
            if (track.mode == SectorMode::Audio) {
                bytes.Read(buffer.data(), n * kRawSector);
            } else {
                for (std::int64_t k = 0; k < n; ++k)
                    RawDataSector(track.mode, bytes, lba + k, sector.data(),
                                  buffer.data() + k * kRawSector);
            }
            out.WriteAt(buffer.data(), n * kRawSector, lba * kRawSector);
            s += n;
        }
    }
    out.Truncate(layout.end * kRawSector);
    out.Close();
}

void WriteIso(const DiscPlan& plan, const Layout& layout, std::int64_t dataEnd,
              const fs::path& target) {
    if (const PlanFile* whole = WholeSource(plan, kUserData); whole && LinkSource(*whole, target))
        return;
    OutFile out(target);
    std::vector<char> sector(kRawSector), cooked(kUserData);
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const PlanTrack& track = plan.tracks[t];
        if (!IsData(track.mode))
            continue;
        TrackBytes bytes(plan, track);
        const std::int64_t size = SectorBytes(track.mode);
        for (std::int64_t s = 0; s < layout.sectors[t]; ++s) {
            bytes.Read(sector.data(), size);
            CookSector(track.mode, sector.data(), cooked.data());
            out.WriteAt(cooked.data(), kUserData, (layout.first[t] + s) * kUserData);
        }
    }
    out.Truncate(dataEnd * kUserData); // blocks of audio tracks stay holes
    out.Close();
}

CueText CueTextOf(const TextFields& t) {
    return {t.title, t.performer, t.songwriter, t.composer, t.arranger, t.message};
}

} // namespace

MediumState WritePayload(const DiscPlan& plan, const fs::path& folder) {
    Layout layout = LayOut(plan);
    MediumState m;
    m.mediaType = kMediaCDROM;
    m.discType = kDiscTypeCDDA;
    m.discStatus = kDiscComplete;
    m.lastSessionStatus = kSessionComplete;
    m.capacity = static_cast<std::int32_t>(layout.end);
    CueDisc cue{CueTextOf(plan.text), plan.genre, plan.catalog, {}};
    bool anyAudio = false;
    std::int64_t dataEnd = 0;
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const PlanTrack& track = plan.tracks[t];
        std::int64_t start = layout.first[t] + track.index1;
        std::int64_t next = t + 1 < plan.tracks.size()
                                ? layout.first[t + 1] + plan.tracks[t + 1].index1
                                : layout.end;
        bool audio = track.mode == SectorMode::Audio;
        anyAudio = anyAudio || audio;
        if (!audio)
            dataEnd = next;
        if (track.mode == SectorMode::Mode2Raw || track.mode == SectorMode::Mode2Formless)
            m.discType = kDiscTypeCDROMXA;
        m.tracks.push_back(TrackState{1, audio, static_cast<std::int32_t>(start),
                                      static_cast<std::int32_t>(next - start)});
        CueTrack c;
        c.mode = audio                                ? CueTrackMode::Audio
                 : track.mode == SectorMode::Mode1Raw ? CueTrackMode::Mode1Raw
                                                      : CueTrackMode::Mode2Raw;
        c.start = static_cast<std::int32_t>(start);
        c.gapFrames = static_cast<std::int32_t>(track.index1);
        c.text = CueTextOf(track.text);
        c.isrc = track.isrc;
        cue.tracks.push_back(c);
    }
    if (anyAudio) {
        WriteBin(plan, layout, folder / "disc.bin");
        storefiles::WriteAtomic(folder / "disc.cue", CueSheetText("disc.bin", cue));
        m.audioPayload = "disc.cue";
    }
    if (dataEnd > 0) {
        WriteIso(plan, layout, dataEnd, folder / "disc.iso");
        m.dataPayload = "disc.iso";
    }
    return m;
}

} // namespace discengine::sheets
