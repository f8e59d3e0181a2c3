#include "Probe.h"

#include "InputFile.h"
#include "StreamDecoder.h"
#include "WavFile.h"
#include "audio/AudioError.h"

#include <algorithm>
#include <optional>

namespace audio {
namespace {

bool isWmaCodec(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO ||
           id == AV_CODEC_ID_WMALOSSLESS || id == AV_CODEC_ID_WMAVOICE;
}

bool matchesKind(const InputFile& input, AudioKind kind) {
    const std::string format = input.formatName();
    const AVCodecID codec = input.audioStream(0)->codecpar->codec_id;
    switch (kind) {
    case AudioKind::Wav:
        return format == "wav";
    case AudioKind::Mp3:
        return format == "mp3" && codec == AV_CODEC_ID_MP3;
    case AudioKind::Wma:
        return format == "asf" && isWmaCodec(codec);
    }
    return false;
}

// Sample frames that a packet's skip side data removes from the decoder's output
// (encoder delay at the start and padding at the end of gapless streams).
std::int64_t skippedSamples(const AVPacket* packet) {
    std::size_t size = 0;
    const std::uint8_t* data = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (!data || size < 8)
        return 0;
    const auto le32 = [](const std::uint8_t* p) {
        return static_cast<std::int64_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                         (static_cast<std::uint32_t>(p[3]) << 24));
    };
    return le32(data) + le32(data + 4);
}

// Sums the packets' durations without decoding; nullopt when some packet has no duration.
std::optional<std::int64_t> samplesFromPackets(InputFile& input, const AVStream* stream, int rate) {
    AVFormatContext* context = input.context();
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (context->streams[i] != stream)
            context->streams[i]->discard = AVDISCARD_ALL;
    auto packet = ffmpeg::makePacket();
    std::int64_t total = 0;
    int failuresInRow = 0;
    for (;;) {
        const int rc = av_read_frame(context, packet.get());
        if (rc == AVERROR_EOF || (rc < 0 && avio_feof(context->pb)))
            break;
        if (rc < 0) {
            if (++failuresInRow > 100)
                throw AudioError("The file [" + input.path().string() +
                                 "] cannot be read: " + ffmpeg::errorText(rc));
            continue;
        }
        failuresInRow = 0;
        const bool mine = packet->stream_index == stream->index;
        const std::int64_t duration = packet->duration;
        const std::int64_t skipped = mine ? skippedSamples(packet.get()) : 0;
        av_packet_unref(packet.get());
        if (!mine)
            continue;
        if (duration <= 0)
            return std::nullopt;
        total += av_rescale_q(duration, stream->time_base, AVRational{1, rate}) - skipped;
    }
    return std::max<std::int64_t>(total, 0);
}

std::int64_t samplesFromDecoding(const std::filesystem::path& file) {
    StreamDecoder decoder(InputFile(file), 0);
    std::int64_t total = 0;
    while (const AVFrame* frame = decoder.next())
        total += frame->nb_samples;
    return total;
}

} // namespace

bool isFileOfKind(const std::filesystem::path& file, AudioKind kind) noexcept {
    try {
        InputFile input(file);
        if (!matchesKind(input, kind))
            return false;
        if (kind == AudioKind::Wav) {
            const WavLayout layout = readWavLayout(file);
            if (layout.dataBytes == 0)
                return true; // a valid, silent WAV: nothing to decode
        }
        StreamDecoder decoder(std::move(input), 0);
        return decoder.next() != nullptr;
    } catch (const std::exception&) {
        return false;
    }
}

AudioLength measureLength(const std::filesystem::path& file) {
    InputFile input(file);
    const AVStream* stream = input.audioStream(0);
    if (input.formatName() == "wav") {
        const WavLayout layout = readWavLayout(file);
        if (layout.isUncompressed())
            return {static_cast<std::int64_t>(layout.dataBytes / layout.blockAlign),
                    static_cast<int>(layout.sampleRate)};
    }
    const int rate = stream->codecpar->sample_rate;
    if (rate <= 0)
        throw AudioError("The audio of [" + file.string() + "] has no valid sample rate");
    // Packet durations count samples exactly only when the time base resolves single samples
    // (MP3 does); otherwise (ASF counts milliseconds) only decoding gives the exact figure.
    if (stream->time_base.num == 1 && stream->time_base.den % rate == 0)
        if (auto samples = samplesFromPackets(input, stream, rate))
            return {*samples, rate};
    return {samplesFromDecoding(file), rate};
}

} // namespace audio
