#include "Encoder.h"

#include "cdgrb/cdgrb.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <cstdio>
#include <vector>

namespace cdgrb {
namespace {

struct EncoderDeleter {
    void operator()(FLAC__StreamEncoder* e) const { FLAC__stream_encoder_delete(e); }
};
struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* m) const { FLAC__metadata_object_delete(m); }
};

// Lossless: the disc's samples, with the tags as Vorbis comments. libFLAC writes through the
// output file and seeks back at the end to complete STREAMINFO (length and MD5 of the audio).
class FlacEncoder : public Encoder {
public:
    explicit FlacEncoder(OutputFile& out) : out_(out) {}
    ~FlacEncoder() override {
        // Unfinished (an abort or a failure): the file is thrown away anyway.
        if (encoder_ && !finished_)
            FLAC__stream_encoder_finish(encoder_.get());
    }

    int init(const FlacSettings& s, std::uint32_t totalFrames) {
        encoder_.reset(FLAC__stream_encoder_new());
        comments_.reset(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
        if (!encoder_ || !comments_)
            return CDGRB_E_ENCODER;
        for (const auto& [name, value] : s.comments) {
            FLAC__StreamMetadata_VorbisComment_Entry entry{};
            if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
                    &entry, name.c_str(), value.c_str()) ||
                !FLAC__metadata_object_vorbiscomment_append_comment(comments_.get(), entry,
                                                                    /*copy=*/false))
                return CDGRB_E_ENCODER;
        }
        FLAC__StreamEncoder* e = encoder_.get();
        FLAC__StreamMetadata* blocks[] = {comments_.get()};
        if (!FLAC__stream_encoder_set_channels(e, 2) ||
            !FLAC__stream_encoder_set_bits_per_sample(e, 16) ||
            !FLAC__stream_encoder_set_sample_rate(e, 44100) ||
            !FLAC__stream_encoder_set_compression_level(e, static_cast<unsigned>(s.level)) ||
            !FLAC__stream_encoder_set_total_samples_estimate(e, totalFrames) ||
            !FLAC__stream_encoder_set_metadata(e, blocks, 1))
            return CDGRB_E_ENCODER;
        const auto status = FLAC__stream_encoder_init_stream(
            e, &FlacEncoder::onWrite, &FlacEncoder::onSeek, &FlacEncoder::onTell, nullptr, this);
        return status == FLAC__STREAM_ENCODER_INIT_STATUS_OK ? CDGRB_OK : CDGRB_E_ENCODER;
    }

    int write(const std::int16_t* pcm, std::size_t frames) override {
        samples_.assign(pcm, pcm + frames * 2);
        if (!FLAC__stream_encoder_process_interleaved(encoder_.get(), samples_.data(),
                                                      static_cast<unsigned>(frames)))
            return failed();
        return CDGRB_OK;
    }

    int finish() override {
        finished_ = true;
        if (!FLAC__stream_encoder_finish(encoder_.get()))
            return failed();
        return writeFailed_ ? CDGRB_E_OUTPUT : CDGRB_OK;
    }

private:
    int failed() const { return writeFailed_ ? CDGRB_E_OUTPUT : CDGRB_E_ENCODER; }

    static FLAC__StreamEncoderWriteStatus onWrite(const FLAC__StreamEncoder*,
                                                  const FLAC__byte buffer[], size_t bytes, uint32_t,
                                                  uint32_t, void* client) {
        auto* self = static_cast<FlacEncoder*>(client);
        if (self->out_.write(buffer, bytes))
            return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
        self->writeFailed_ = true;
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    static FLAC__StreamEncoderSeekStatus onSeek(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                                void* client) {
        auto* self = static_cast<FlacEncoder*>(client);
        return fseeko(self->out_.stream(), static_cast<off_t>(offset), SEEK_SET) == 0
                   ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
                   : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    }
    static FLAC__StreamEncoderTellStatus onTell(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                                void* client) {
        auto* self = static_cast<FlacEncoder*>(client);
        const off_t at = ftello(self->out_.stream());
        if (at < 0)
            return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
        *offset = static_cast<FLAC__uint64>(at);
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }

    OutputFile& out_;
    // The comments block outlives the encoder, which reads it until it has finished.
    std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter> comments_;
    std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder_;
    std::vector<FLAC__int32> samples_;
    bool finished_ = false;
    bool writeFailed_ = false;
};

} // namespace

std::unique_ptr<Encoder> makeFlacEncoder(const FlacSettings& s, OutputFile& out,
                                         std::uint32_t totalFrames, int& error) {
    auto encoder = std::make_unique<FlacEncoder>(out);
    error = encoder->init(s, totalFrames);
    if (error != CDGRB_OK)
        return nullptr;
    return encoder;
}

} // namespace cdgrb
