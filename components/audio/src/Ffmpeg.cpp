#include "Ffmpeg.h"

#include "audio/AudioError.h"

namespace audio::ffmpeg {

PacketPtr makePacket() {
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw AudioError("Out of memory while preparing the audio decoder");
    return packet;
}

FramePtr makeFrame() {
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw AudioError("Out of memory while preparing the audio decoder");
    return frame;
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace audio::ffmpeg
