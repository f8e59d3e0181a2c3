#pragma once

#include "Ffmpeg.h"
#include "InputFile.h"

namespace audio {

// Decodes one audio stream of an input file frame by frame. Damaged packets are skipped as
// FFmpeg's own tools skip them, but a run of failures without a single good frame ends the
// decode with an AudioError, so corrupt input can never keep it going round.
class StreamDecoder {
public:
    StreamDecoder(InputFile input, int audioStream);

    // The next decoded frame (valid until the next call), or nullptr at the end of the stream.
    AVFrame* next();

    const InputFile& input() const { return input_; }
    const AVStream* stream() const { return stream_; }

private:
    void noteFailure(int code, const char* what);

    InputFile input_;
    AVStream* stream_;
    ffmpeg::CodecContextPtr codec_;
    ffmpeg::PacketPtr packet_;
    ffmpeg::FramePtr frame_;
    bool draining_ = false;
    bool finished_ = false;
    int failuresInRow_ = 0;
    int failures_ = 0;
    long long framesDecoded_ = 0;
};

} // namespace audio
