#include "Encoder.h"

#include "Text.h"
#include "cdgrb/cdgrb.h"

#include <lame/lame.h>

#include <string>
#include <vector>

namespace cdgrb {
namespace {

struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

using Setter = void (*)(lame_global_flags*, const char*);

// A text tag: Latin-1 when it can be, else a Latin-1 approximation for ID3v1 and UTF-16 for
// the ID3v2 frame, which LAME then writes instead of the Latin-1 one.
void setText(lame_global_flags* gf, Setter set, const char* frameId, const std::string& utf8) {
    if (utf8.empty())
        return;
    set(gf, toLatin1(utf8).c_str());
    if (!fitsLatin1(utf8)) {
        const std::u16string wide = toUtf16WithBom(utf8);
        id3tag_set_textinfo_utf16(gf, frameId,
                                  reinterpret_cast<const unsigned short*>(wide.c_str()));
    }
}

void setExtraFrame(lame_global_flags* gf, const Id3v2Frame& frame) {
    // LAME refuses identifiers it does not know (and space-padded ones): such a frame is left
    // out rather than failing the track.
    if (fitsLatin1(frame.value)) {
        const std::string field = frame.id + "=" + toLatin1(frame.value);
        id3tag_set_fieldvalue(gf, field.c_str());
    } else {
        const std::u16string field = toUtf16WithBom(frame.id + "=" + frame.value);
        id3tag_set_fieldvalue_utf16(gf, reinterpret_cast<const unsigned short*>(field.c_str()));
    }
}

void setTags(lame_global_flags* gf, const Mp3Settings& s) {
    if (!s.id3v1 && !s.id3v2)
        return;
    id3tag_init(gf);
    if (s.id3v2 && !s.id3v1)
        id3tag_v2_only(gf);
    else if (s.id3v2)
        id3tag_add_v2(gf);
    else
        id3tag_v1_only(gf);
    setText(gf, id3tag_set_title, "TIT2", s.title);
    setText(gf, id3tag_set_artist, "TPE1", s.artist);
    setText(gf, id3tag_set_album, "TALB", s.album);
    if (!s.year.empty())
        id3tag_set_year(gf, toLatin1(s.year).c_str());
    id3tag_set_genre(gf, std::to_string(s.genre).c_str()); // a number LAME does not know: no genre
    if (s.id3v2) {
        for (const Id3v2Frame& f : s.extraFrames)
            setExtraFrame(gf, f);
    }
}

int lameQuality(int mpegQuality) {
    switch (mpegQuality) {
    case 1:
        return 7; // Low
    case 2:
        return 2; // High
    default:
        return 5; // Normal, Voice
    }
}

class Mp3Encoder : public Encoder {
public:
    Mp3Encoder(LamePtr gf, OutputFile& out, bool vbrHeader)
        : gf_(std::move(gf)), out_(out), vbrHeader_(vbrHeader) {}

    int write(const std::int16_t* pcm, std::size_t frames) override {
        buffer_.resize(frames * 5 / 4 + 7200);
        const int n = lame_encode_buffer_interleaved(gf_.get(), const_cast<short*>(pcm),
                                                     static_cast<int>(frames), buffer_.data(),
                                                     static_cast<int>(buffer_.size()));
        if (n < 0)
            return CDGRB_E_ENCODER;
        return out_.write(buffer_.data(), n) ? CDGRB_OK : CDGRB_E_OUTPUT;
    }

    int finish() override {
        buffer_.resize(7200 + 1024);
        const int n =
            lame_encode_flush(gf_.get(), buffer_.data(), static_cast<int>(buffer_.size()));
        if (n < 0)
            return CDGRB_E_ENCODER;
        if (!out_.write(buffer_.data(), n))
            return CDGRB_E_OUTPUT;
        if (vbrHeader_)
            lame_mp3_tags_fid(gf_.get(), out_.stream()); // rewrites the reserved first frame
        return CDGRB_OK;
    }

private:
    LamePtr gf_;
    OutputFile& out_;
    bool vbrHeader_;
    std::vector<unsigned char> buffer_;
};

} // namespace

std::unique_ptr<Encoder> makeMp3Encoder(const Mp3Settings& s, OutputFile& out,
                                        std::uint32_t totalFrames, int& error) {
    LamePtr gf(lame_init());
    error = CDGRB_E_ENCODER;
    if (!gf)
        return nullptr;
    lame_global_flags* g = gf.get();
    lame_set_num_channels(g, 2);
    lame_set_in_samplerate(g, 44100);
    lame_set_num_samples(g, totalFrames);
    lame_set_mode(g, s.jointStereo ? JOINT_STEREO : STEREO);
    lame_set_quality(g, lameQuality(s.mpegQuality));
    if (s.mpegQuality == 3)
        lame_set_lowpassfreq(g, 12000); // Voice: speech needs no more
    if (s.vbr) {
        lame_set_VBR(g, vbr_default);
        lame_set_VBR_q(g, s.vbrQuality);
        if (s.vbrMaxBitrate > 0)
            lame_set_VBR_max_bitrate_kbps(g, s.vbrMaxBitrate);
    } else {
        lame_set_VBR(g, vbr_off);
        if (s.bitrate > 0)
            lame_set_brate(g, s.bitrate);
    }
    lame_set_bWriteVbrTag(g, s.vbrHeader ? 1 : 0);
    lame_set_error_protection(g, s.crc ? 1 : 0);
    lame_set_original(g, s.original ? 1 : 0);
    lame_set_copyright(g, s.copyright ? 1 : 0);
    lame_set_extension(g, s.privateFlag ? 1 : 0);
    setTags(g, s);
    if (lame_init_params(g) < 0)
        return nullptr;
    error = CDGRB_OK;
    return std::make_unique<Mp3Encoder>(std::move(gf), out, s.vbrHeader);
}

} // namespace cdgrb
