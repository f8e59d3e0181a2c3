#include "PcmReader.h"

#include "audio/AudioError.h"

#include <algorithm>
#include <cstring>

namespace audio {

PcmReader::PcmReader(const std::filesystem::path& file, int audioStream, const PcmFormat& format)
    : decoder_(InputFile(file), audioStream), format_(format),
      outSampleFormat_(format.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16) {
    checkSupported(format);
    av_channel_layout_default(&outLayout_, format.channels);
}

PcmReader::~PcmReader() {
    av_channel_layout_uninit(&inLayout_);
    av_channel_layout_uninit(&outLayout_);
}

void PcmReader::read(std::vector<std::uint8_t>& out, std::size_t count) {
    while (count > 0) {
        if (pendingHead_ == pending_.size() && !refill())
            return;
        const std::size_t n = std::min(count, pending_.size() - pendingHead_);
        out.insert(out.end(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingHead_),
                   pending_.begin() + static_cast<std::ptrdiff_t>(pendingHead_ + n));
        pendingHead_ += n;
        count -= n;
    }
}

bool PcmReader::refill() {
    pending_.clear();
    pendingHead_ = 0;
    while (pending_.empty() && !ended_) {
        const AVFrame* frame = decoder_.next();
        if (frame) {
            convert(frame);
        } else {
            flushResampler();
            ended_ = true;
        }
    }
    return !pending_.empty();
}

void PcmReader::convert(const AVFrame* frame) {
    if (frame->nb_samples <= 0)
        return;
    AVChannelLayout layout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels == 0)
        av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&layout, &frame->ch_layout);
    if (layout.nb_channels <= 0 || frame->sample_rate <= 0)
        throw AudioError("The audio of [" + decoder_.input().path().string() +
                         "] has no valid channel count or sample rate");

    if (!resampler_ || frame->sample_rate != inRate_ || frame->format != inSampleFormat_ ||
        av_channel_layout_compare(&layout, &inLayout_) != 0) {
        flushResampler();
        SwrContext* raw = nullptr;
        int rc = swr_alloc_set_opts2(&raw, &outLayout_, outSampleFormat_, format_.sampleRate,
                                     &layout, static_cast<AVSampleFormat>(frame->format),
                                     frame->sample_rate, 0, nullptr);
        resampler_.reset(raw);
        if (rc >= 0)
            rc = swr_init(resampler_.get());
        if (rc < 0) {
            av_channel_layout_uninit(&layout);
            throw AudioError("The audio of [" + decoder_.input().path().string() +
                             "] cannot be converted: " + ffmpeg::errorText(rc));
        }
        inRate_ = frame->sample_rate;
        inSampleFormat_ = frame->format;
        av_channel_layout_uninit(&inLayout_);
        inLayout_ = layout;
    } else {
        av_channel_layout_uninit(&layout);
    }
    appendConverted(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
}

void PcmReader::flushResampler() {
    if (resampler_)
        appendConverted(nullptr, 0);
}

void PcmReader::appendConverted(const std::uint8_t** input, int inputSamples) {
    const int capacity = swr_get_out_samples(resampler_.get(), inputSamples);
    if (capacity < 0)
        throw AudioError("The audio of [" + decoder_.input().path().string() +
                         "] cannot be converted: " + ffmpeg::errorText(capacity));
    const std::size_t frameBytes = static_cast<std::size_t>(format_.bytesPerFrame());
    const std::size_t before = pending_.size();
    pending_.resize(before + static_cast<std::size_t>(capacity) * frameBytes);
    std::uint8_t* out = pending_.data() + before;
    const int produced = swr_convert(resampler_.get(), &out, capacity, input, inputSamples);
    if (produced < 0) {
        pending_.resize(before);
        throw AudioError("The audio of [" + decoder_.input().path().string() +
                         "] cannot be converted: " + ffmpeg::errorText(produced));
    }
    pending_.resize(before + static_cast<std::size_t>(produced) * frameBytes);
}

} // namespace audio
