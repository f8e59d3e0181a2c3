#include "RipJob.h"

#include "ChunkQueue.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace cdgrb {
namespace {

constexpr int kSectorsPerChunk = 75; // one second of audio
constexpr std::size_t kQueuedChunks = 16;
constexpr auto kMediumLookInterval = std::chrono::milliseconds(100);

} // namespace

int RipJob::prepare(const Source& source, int trackIndex, const RipSettings& settings,
                    TGrbMonitorProc monitor, std::int32_t readOffset,
                    std::unique_ptr<RipJob>& job) {
    std::unique_ptr<RipJob> j(new RipJob);
    j->monitor_ = monitor;
    j->trackIndex_ = trackIndex;
    if (source.identity) {
        j->identity_ = source.identity;
        j->startIdentity_ = source.identity();
        if (!j->startIdentity_)
            return CDGRB_E_DRIVE;
    }
    j->disc_ = Disc::open(source);
    if (!j->disc_)
        return CDGRB_E_DRIVE;
    const auto track = j->disc_->audioTrack(trackIndex);
    if (!track || !j->disc_->sectorsPresent(*track))
        return CDGRB_E_TRACK;
    j->sectors_ = track->sectors();
    const int audioTracks =
        static_cast<int>(std::count_if(j->disc_->tracks().begin(), j->disc_->tracks().end(),
                                       [](const TrackEntry& t) { return t.audio; }));
    j->checksums_ =
        std::make_unique<TrackChecksums>(static_cast<std::uint32_t>(j->sectors_) * kSamplesPerFrame,
                                         trackIndex == 0, trackIndex == audioTracks - 1);
    const DiscIds ids = discIds(j->disc_->tracks());
    TGrbTrackResult& r = j->result_;
    r.TrackIndex = trackIndex;
    r.ReadOffset = readOffset;
    r.TrackNumber = static_cast<std::uint32_t>(track->number);
    r.FirstSector = static_cast<std::uint32_t>(track->first);
    r.Sectors = static_cast<std::uint32_t>(j->sectors_);
    r.DiscTracks = static_cast<std::uint32_t>(ids.tracks);
    r.DiscId1 = ids.id1;
    r.DiscId2 = ids.id2;
    r.CddbId = ids.cddb;
    j->reader_ = TrackReader::open(*j->disc_, *track, readOffset);
    if (!j->reader_)
        return CDGRB_E_DRIVE;
    j->output_ = OutputFile::create(settings.output);
    if (!j->output_)
        return CDGRB_E_OUTPUT;
    const auto frames = static_cast<std::uint32_t>(j->sectors_) * (kSamplesPerSector / 2);
    int error = CDGRB_OK;
    j->encoder_ = makeEncoder(settings, *j->output_, frames, error);
    if (!j->encoder_)
        return error;
    job = std::move(j);
    return CDGRB_OK;
}

bool RipJob::mediumChanged() const {
    // A drive tells libcdio of a disc change itself; only the reading thread uses the handle.
    if (!disc_->isImage() && cdio_get_media_changed(disc_->cdio()) == 1)
        return true;
    return identity_ && identity_() != startIdentity_;
}

void RipJob::report(int kind, float progress, int result, std::uint32_t speed) const {
    if (monitor_)
        monitor_(kind, progress, result, trackIndex_, speed);
}

int RipJob::encodeAll(std::uint32_t& speed, float& progress) {
    ChunkQueue queue(kQueuedChunks);
    std::atomic<int> readResult{CDGRB_OK};
    std::jthread readerThread([&] {
        auto lastLook = std::chrono::steady_clock::now() - kMediumLookInterval;
        while (reader_->remaining() > 0 && !aborted_) {
            ChunkQueue::Chunk chunk;
            chunk.reserve(static_cast<std::size_t>(kSectorsPerChunk) * kSamplesPerSector);
            int rc = reader_->read(chunk, kSectorsPerChunk);
            // Asking the drive store costs more than reading a chunk from an image: a few looks
            // a second notice an eject at once; the look before the file is kept is certain.
            const auto now = std::chrono::steady_clock::now();
            if (rc == CDGRB_OK && now - lastLook >= kMediumLookInterval) {
                lastLook = now;
                if (mediumChanged())
                    rc = CDGRB_E_MEDIUM_CHANGED;
            }
            if (rc != CDGRB_OK) {
                readResult = rc;
                queue.stop();
                return;
            }
            if (!queue.push(std::move(chunk)))
                return;
        }
        queue.close();
    });

    const auto start = std::chrono::steady_clock::now();
    std::uint64_t bytesDone = 0;
    const std::uint64_t bytesTotal = static_cast<std::uint64_t>(sectors_) * CDIO_CD_FRAMESIZE_RAW;
    int result = CDGRB_OK;
    while (auto chunk = queue.pop()) {
        if (aborted_)
            break;
        checksums_->add(chunk->data(), chunk->size() / 2);
        result = encoder_->write(chunk->data(), chunk->size() / 2);
        if (result != CDGRB_OK)
            break;
        bytesDone += chunk->size() * sizeof(std::int16_t);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        speed = seconds > 0
                    ? static_cast<std::uint32_t>(std::min(bytesDone / seconds, double(UINT32_MAX)))
                    : 0;
        progress = static_cast<float>(static_cast<double>(bytesDone) / bytesTotal);
        report(CDGRB_MONITOR_PROGRESS, progress, CDGRB_OK, speed);
    }
    queue.stop(); // releases a reader still waiting to hand over a chunk
    readerThread.join();
    if (aborted_)
        return CDGRB_E_ABORTED;
    if (result != CDGRB_OK)
        return result;
    if (readResult != CDGRB_OK)
        return readResult;
    if (bytesDone != bytesTotal)
        return CDGRB_E_READ;
    return encoder_->finish();
}

int RipJob::run() {
    report(CDGRB_MONITOR_STARTED, 0.0f, CDGRB_OK, 0);
    std::uint32_t speed = 0;
    float progress = 0.0f;
    int result = encodeAll(speed, progress);
    // The encoder may still hold the stream; release it before the file is closed.
    encoder_.reset();
    // The last look before the file is kept: a disc ejected during the final chunk counts too.
    if (result == CDGRB_OK && mediumChanged())
        result = CDGRB_E_MEDIUM_CHANGED;
    if (result == CDGRB_OK && !output_->commit())
        result = CDGRB_E_OUTPUT;
    output_.reset(); // an uncommitted file removes itself here, before the end is reported
    result_.Result = result;
    result_.ReadRetries = reader_->retries();
    result_.ReadSkips = reader_->skips();
    if (result == CDGRB_OK) {
        result_.Crc32 = checksums_->crc32();
        result_.AccurateRipV1 = checksums_->accurateRipV1();
        result_.AccurateRipV2 = checksums_->accurateRipV2();
        result_.Peak = checksums_->peak();
        result_.ChecksumsValid = 1;
    }
    reader_.reset();
    disc_.reset();
    ended_ = true;
    report(CDGRB_MONITOR_ENDED, result == CDGRB_OK ? 1.0f : progress, result, speed);
    return result;
}

} // namespace cdgrb
