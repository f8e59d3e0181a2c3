#include "RipSettings.h"

#include "Text.h"
#include "cdgrb/cdgrb.h"

#include <cstring>

namespace cdgrb {
namespace {

// Frame lists longer than this are not something a user typed: refuse rather than walk memory.
constexpr int kMaxFrames = 1024;
constexpr std::size_t kMaxFrameValue = 64 * 1024;

int parsePath(const char (&field)[CDGRB_PATH_FIELD], std::filesystem::path& out) {
    if (!fieldTerminated(field, sizeof field))
        return CDGRB_E_PATH_TOO_LONG;
    const std::string path = fieldText(field, sizeof field);
    if (path.empty())
        return CDGRB_E_ARGUMENT;
    out = std::filesystem::path(path);
    return CDGRB_OK;
}

template <std::size_t N> std::string text(const char (&field)[N]) {
    const std::string raw = fieldText(field, N);
    return toUtf8(raw, raw.size() == N);
}

int parseFrames(const TGrbMp3Options& r, std::vector<Id3v2Frame>& out) {
    if (r.Id3v2FrameCount == 0)
        return CDGRB_OK;
    if (r.Id3v2FrameCount < 0 || r.Id3v2FrameCount > kMaxFrames || r.Id3v2Frames == nullptr)
        return CDGRB_E_ARGUMENT;
    for (int i = 0; i < r.Id3v2FrameCount; ++i) {
        TGrbId3v2Frame f;
        std::memcpy(&f, &r.Id3v2Frames[i], sizeof f);
        if (f.Value == nullptr)
            return CDGRB_E_ARGUMENT;
        const std::size_t len = strnlen(f.Value, kMaxFrameValue);
        out.push_back({std::string(f.FrameId, 4), toUtf8(std::string(f.Value, len))});
    }
    return CDGRB_OK;
}

int parseMp3(const TGrbMp3Options& r, RipSettings& out) {
    Mp3Settings& m = out.mp3;
    m.year = text(r.Year);
    m.title = text(r.Title);
    m.artist = text(r.Artist);
    m.album = text(r.Album);
    m.genre = r.Genre;
    m.bitrate = r.Bitrate;
    m.mpegQuality = r.MpegQuality;
    m.jointStereo = r.JointStereo != 0;
    m.original = r.Original != 0;
    m.crc = r.GenerateCrc != 0;
    m.copyright = r.Copyright != 0;
    m.privateFlag = r.Private != 0;
    m.vbrHeader = r.WriteVbrHeader != 0;
    m.vbrMaxBitrate = r.VbrMaxBitrate;
    m.vbr = r.EnableVbr != 0;
    m.vbrQuality = r.VbrQuality;
    m.id3v1 = r.WriteId3v1 != 0;
    m.id3v2 = r.WriteId3v2 != 0;
    if (m.vbrQuality < 0 || m.vbrQuality > 9 || m.mpegQuality < 0 || m.mpegQuality > 3)
        return CDGRB_E_ARGUMENT;
    if (const int rc = parseFrames(r, m.extraFrames); rc != CDGRB_OK)
        return rc;
    return parsePath(r.OutputPath, out.output);
}

int parseOgg(const TGrbOggOptions& r, RipSettings& out) {
    OggSettings& o = out.ogg;
    o.bitrate = r.Bitrate;
    o.title = text(r.Title);
    o.version = text(r.Version);
    o.album = text(r.Album);
    o.artist = text(r.Artist);
    o.organization = text(r.Organization);
    o.description = text(r.Description);
    o.genre = text(r.Genre);
    o.date = text(r.Date);
    o.location = text(r.Location);
    o.copyright = text(r.Copyright);
    return parsePath(r.OutputPath, out.output);
}

bool commentName(const char* name) {
    const std::size_t len = strnlen(name, 256);
    if (len == 0 || len == 256)
        return false;
    for (std::size_t i = 0; i < len; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c > 0x7D || c == '=')
            return false;
    }
    return true;
}

int parseFlac(const TGrbFlacOptions& r, RipSettings& out) {
    FlacSettings& f = out.flac;
    if (r.CompressionLevel < 0 || r.CompressionLevel > 8)
        return CDGRB_E_ARGUMENT;
    f.level = r.CompressionLevel;
    if (r.CommentCount < 0 || r.CommentCount > kMaxFrames ||
        (r.CommentCount > 0 && r.Comments == nullptr))
        return CDGRB_E_ARGUMENT;
    for (int i = 0; i < r.CommentCount; ++i) {
        TGrbComment c;
        std::memcpy(&c, &r.Comments[i], sizeof c);
        if (c.Name == nullptr || c.Value == nullptr || !commentName(c.Name))
            return CDGRB_E_ARGUMENT;
        const std::size_t len = strnlen(c.Value, kMaxFrameValue);
        f.comments.emplace_back(c.Name, toUtf8(std::string(c.Value, len)));
    }
    return parsePath(r.OutputPath, out.output);
}

// Copies the record first: the caller's memory need not be aligned.
template <class Record> bool copyRecord(const void* record, int size, Record& r) {
    if (size != static_cast<int>(sizeof(Record)))
        return false;
    std::memcpy(&r, record, sizeof r);
    return true;
}

} // namespace

int parseRecord(int format, const void* record, int size, RipSettings& out) {
    if (record == nullptr)
        return CDGRB_E_ARGUMENT;
    out = RipSettings{};
    switch (format) {
    case CDGRB_FORMAT_RAW: {
        TGrbRawOptions r;
        if (!copyRecord(record, size, r))
            return CDGRB_E_ARGUMENT;
        out.format = Format::Raw;
        return parsePath(r.OutputPath, out.output);
    }
    case CDGRB_FORMAT_WAV: {
        TGrbWavOptions r;
        if (!copyRecord(record, size, r))
            return CDGRB_E_ARGUMENT;
        out.format = Format::Wav;
        return parsePath(r.OutputPath, out.output);
    }
    case CDGRB_FORMAT_MP3: {
        TGrbMp3Options r;
        if (!copyRecord(record, size, r))
            return CDGRB_E_ARGUMENT;
        out.format = Format::Mp3;
        return parseMp3(r, out);
    }
    case CDGRB_FORMAT_OGG: {
        TGrbOggOptions r;
        if (!copyRecord(record, size, r))
            return CDGRB_E_ARGUMENT;
        out.format = Format::Ogg;
        return parseOgg(r, out);
    }
    case CDGRB_FORMAT_FLAC: {
        TGrbFlacOptions r;
        if (!copyRecord(record, size, r))
            return CDGRB_E_ARGUMENT;
        out.format = Format::Flac;
        return parseFlac(r, out);
    }
    default:
        return CDGRB_E_ARGUMENT;
    }
}

} // namespace cdgrb
