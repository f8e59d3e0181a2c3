#include "Encoder.h"

#include "cdgrb/cdgrb.h"

#include <vorbis/vorbisenc.h>

#include <random>

namespace cdgrb {
namespace {

// The libvorbis state of one stream, released in reverse order of set-up.
struct VorbisState {
    vorbis_info vi{};
    vorbis_comment vc{};
    vorbis_dsp_state vd{};
    vorbis_block vb{};
    ogg_stream_state os{};
    bool infoInit = false, commentInit = false, dspInit = false, blockInit = false,
         streamInit = false;
    VorbisState() = default;
    VorbisState(const VorbisState&) = delete;
    VorbisState& operator=(const VorbisState&) = delete;
    ~VorbisState() {
        if (streamInit)
            ogg_stream_clear(&os);
        if (blockInit)
            vorbis_block_clear(&vb);
        if (dspInit)
            vorbis_dsp_clear(&vd);
        if (commentInit)
            vorbis_comment_clear(&vc);
        if (infoInit)
            vorbis_info_clear(&vi);
    }
};

class OggEncoder : public Encoder {
public:
    explicit OggEncoder(OutputFile& out) : out_(out) {}

    int init(const OggSettings& s) {
        vorbis_info_init(&st_.vi);
        st_.infoInit = true;
        const long nominal = static_cast<long>(s.bitrate) * 1000;
        if (s.bitrate <= 0 ||
            vorbis_encode_setup_managed(&st_.vi, 2, 44100, -1, nominal, -1) != 0 ||
            vorbis_encode_ctl(&st_.vi, OV_ECTL_RATEMANAGE2_SET, nullptr) != 0 ||
            vorbis_encode_setup_init(&st_.vi) != 0)
            return CDGRB_E_ENCODER;
        vorbis_comment_init(&st_.vc);
        st_.commentInit = true;
        const std::pair<const char*, const std::string*> comments[] = {
            {"TITLE", &s.title},
            {"VERSION", &s.version},
            {"ALBUM", &s.album},
            {"ARTIST", &s.artist},
            {"ORGANIZATION", &s.organization},
            {"DESCRIPTION", &s.description},
            {"GENRE", &s.genre},
            {"DATE", &s.date},
            {"LOCATION", &s.location},
            {"COPYRIGHT", &s.copyright}};
        for (const auto& [tag, value] : comments) {
            if (!value->empty())
                vorbis_comment_add_tag(&st_.vc, tag, value->c_str());
        }
        if (vorbis_analysis_init(&st_.vd, &st_.vi) != 0)
            return CDGRB_E_ENCODER;
        st_.dspInit = true;
        vorbis_block_init(&st_.vd, &st_.vb);
        st_.blockInit = true;
        std::random_device rd;
        ogg_stream_init(&st_.os, static_cast<int>(rd() & 0x7FFFFFFF));
        st_.streamInit = true;

        ogg_packet header, comment, code;
        vorbis_analysis_headerout(&st_.vd, &st_.vc, &header, &comment, &code);
        ogg_stream_packetin(&st_.os, &header);
        ogg_stream_packetin(&st_.os, &comment);
        ogg_stream_packetin(&st_.os, &code);
        // The headers end on a page of their own, as the format asks.
        ogg_page page;
        while (ogg_stream_flush(&st_.os, &page) != 0) {
            if (!writePage(page))
                return CDGRB_E_OUTPUT;
        }
        return CDGRB_OK;
    }

    int write(const std::int16_t* pcm, std::size_t frames) override {
        float** buffer = vorbis_analysis_buffer(&st_.vd, static_cast<int>(frames));
        for (std::size_t i = 0; i < frames; ++i) {
            buffer[0][i] = pcm[2 * i] / 32768.0f;
            buffer[1][i] = pcm[2 * i + 1] / 32768.0f;
        }
        vorbis_analysis_wrote(&st_.vd, static_cast<int>(frames));
        return drain();
    }

    int finish() override {
        vorbis_analysis_wrote(&st_.vd, 0);
        return drain();
    }

private:
    bool writePage(const ogg_page& page) {
        return out_.write(page.header, page.header_len) && out_.write(page.body, page.body_len);
    }

    int drain() {
        while (vorbis_analysis_blockout(&st_.vd, &st_.vb) == 1) {
            vorbis_analysis(&st_.vb, nullptr);
            vorbis_bitrate_addblock(&st_.vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&st_.vd, &packet) == 1) {
                ogg_stream_packetin(&st_.os, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&st_.os, &page) != 0) {
                    if (!writePage(page))
                        return CDGRB_E_OUTPUT;
                    if (ogg_page_eos(&page))
                        return CDGRB_OK;
                }
            }
        }
        return CDGRB_OK;
    }

    OutputFile& out_;
    VorbisState st_;
};

} // namespace

std::unique_ptr<Encoder> makeOggEncoder(const OggSettings& s, OutputFile& out, int& error) {
    auto encoder = std::make_unique<OggEncoder>(out);
    error = encoder->init(s);
    if (error != CDGRB_OK)
        return nullptr;
    return encoder;
}

} // namespace cdgrb
