#include "StreamDecoder.h"

#include "audio/AudioError.h"

namespace audio {
namespace {

// Far more than any real damage produces between two good frames, few enough to give up
// quickly on a file that is not audio at all.
constexpr int kMaxFailuresInRow = 100;

} // namespace

StreamDecoder::StreamDecoder(InputFile input, int audioStream)
    : input_(std::move(input)), stream_(input_.audioStream(audioStream)),
      packet_(ffmpeg::makePacket()), frame_(ffmpeg::makeFrame()) {
    const std::string name = "[" + input_.path().string() + "]";
    const AVCodec* decoder = avcodec_find_decoder(stream_->codecpar->codec_id);
    if (!decoder)
        throw AudioError("The audio of " + name + " uses a format that cannot be decoded (" +
                         avcodec_get_name(stream_->codecpar->codec_id) + ")");
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_)
        throw AudioError("Out of memory while preparing the decoder for " + name);
    int rc = avcodec_parameters_to_context(codec_.get(), stream_->codecpar);
    if (rc >= 0) {
        codec_->pkt_timebase = stream_->time_base;
        rc = avcodec_open2(codec_.get(), decoder, nullptr);
    }
    if (rc < 0)
        throw AudioError("The audio of " + name + " cannot be decoded: " + ffmpeg::errorText(rc));
    // Packets of other streams are never read into memory.
    for (unsigned i = 0; i < input_.context()->nb_streams; ++i)
        if (input_.context()->streams[i] != stream_)
            input_.context()->streams[i]->discard = AVDISCARD_ALL;
}

void StreamDecoder::noteFailure(int code, const char* what) {
    ++failures_;
    if (++failuresInRow_ > kMaxFailuresInRow)
        throw AudioError("The audio of [" + input_.path().string() + "] cannot be " + what + ": " +
                         ffmpeg::errorText(code));
}

AVFrame* StreamDecoder::next() {
    while (!finished_) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received >= 0) {
            failuresInRow_ = 0;
            ++framesDecoded_;
            return frame_.get();
        }
        if (received == AVERROR_EOF) {
            finished_ = true;
            break;
        }
        if (received != AVERROR(EAGAIN)) {
            noteFailure(received, "decoded");
            continue;
        }
        if (draining_) { // a drained decoder that still asks for input has nothing more
            finished_ = true;
            break;
        }

        const int read = av_read_frame(input_.context(), packet_.get());
        if (read == AVERROR_EOF || (read < 0 && avio_feof(input_.context()->pb))) {
            avcodec_send_packet(codec_.get(), nullptr);
            draining_ = true;
            continue;
        }
        if (read < 0) {
            noteFailure(read, "read");
            continue;
        }
        if (packet_->stream_index == stream_->index) {
            const int sent = avcodec_send_packet(codec_.get(), packet_.get());
            if (sent < 0 && sent != AVERROR(EAGAIN))
                noteFailure(sent, "decoded");
        }
        av_packet_unref(packet_.get());
    }
    if (framesDecoded_ == 0 && failures_ > 0)
        throw AudioError("The file [" + input_.path().string() + "] holds no decodable audio");
    return nullptr;
}

} // namespace audio
