#include "Encoder.h"

#include "Id3Tag.h"

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

// The frames LAME does not write (well), added to its tag by us.
struct PendingFrames {
    std::vector<Id3v2Frame> frames;
};

void setExtraFrame(lame_global_flags* gf, const Id3v2Frame& frame, PendingFrames& pending) {
    if (!id3v2FrameWritable(frame.id))
        return; // the caller was told which identifiers are written; others are left out
    const bool latin1 = fitsLatin1(frame.value);
    const auto* none = reinterpret_cast<const unsigned short*>(u"\uFEFF");
    if (builtByLibrary(frame.id)) {
        pending.frames.push_back(frame);
    } else if (frame.id == "COMM") {
        if (latin1) {
            id3tag_set_comment_latin1(gf, "eng", "", toLatin1(frame.value).c_str());
        } else {
            const std::u16string text = toUtf16WithBom(frame.value);
            id3tag_set_comment_utf16(gf, "eng", none,
                                     reinterpret_cast<const unsigned short*>(text.c_str()));
        }
    } else {
        if (latin1) {
            id3tag_set_textinfo_latin1(gf, frame.id.c_str(), toLatin1(frame.value).c_str());
        } else {
            const std::u16string text = toUtf16WithBom(frame.value);
            id3tag_set_textinfo_utf16(gf, frame.id.c_str(),
                                      reinterpret_cast<const unsigned short*>(text.c_str()));
        }
    }
}

void setTags(lame_global_flags* gf, const Mp3Settings& s, PendingFrames& pending) {
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
            setExtraFrame(gf, f, pending);
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

// The tags are written by us rather than by LAME's automatic writing, so that the frames LAME
// has no call for can join its ID3v2 tag: the tag before the first frame, ID3v1 after the last.
class Mp3Encoder : public Encoder {
public:
    Mp3Encoder(LamePtr gf, OutputFile& out, bool vbrHeader, bool id3v1)
        : gf_(std::move(gf)), out_(out), vbrHeader_(vbrHeader), id3v1_(id3v1) {}

    int writeId3v2(const PendingFrames& pending) {
        std::vector<std::uint8_t> tag(lame_get_id3v2_tag(gf_.get(), nullptr, 0));
        if (tag.empty())
            return CDGRB_OK;
        lame_get_id3v2_tag(gf_.get(), tag.data(), tag.size());
        std::vector<std::vector<std::uint8_t>> frames;
        for (const Id3v2Frame& f : pending.frames)
            frames.push_back(buildFrame(f.id, f.value, tag.size() > 3 ? tag[3] : 3));
        tag = appendFrames(tag, frames);
        return out_.write(tag.data(), tag.size()) ? CDGRB_OK : CDGRB_E_OUTPUT;
    }

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
        if (id3v1_) {
            unsigned char v1[128];
            const std::size_t size = lame_get_id3v1_tag(gf_.get(), v1, sizeof v1);
            if (size > 0 && !out_.write(v1, size))
                return CDGRB_E_OUTPUT;
        }
        // Rewrites the reserved first frame; LAME finds it behind the ID3v2 tag in the file.
        if (vbrHeader_)
            lame_mp3_tags_fid(gf_.get(), out_.stream());
        return CDGRB_OK;
    }

private:
    LamePtr gf_;
    OutputFile& out_;
    bool vbrHeader_;
    bool id3v1_;
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
    PendingFrames pending;
    setTags(g, s, pending);
    lame_set_write_id3tag_automatic(g, 0);
    if (lame_init_params(g) < 0)
        return nullptr;
    auto encoder = std::make_unique<Mp3Encoder>(std::move(gf), out, s.vbrHeader, s.id3v1);
    if (s.id3v2) {
        error = encoder->writeId3v2(pending);
        if (error != CDGRB_OK)
            return nullptr;
    }
    error = CDGRB_OK;
    return encoder;
}

} // namespace cdgrb
