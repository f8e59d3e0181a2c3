/* libcdgrb: the CD grabbing library's C interface.
 *
 * Handles are 32-bit ids (0 = none). Option records are packed, little-endian, and every byte not
 * named is zero. Address fields are pointer-sized, which makes the MP3 record four bytes longer
 * than its 32-bit ancestor and an ID3v2 frame entry 12 bytes instead of 8. */
#ifndef CDGRB_CDGRB_H
#define CDGRB_CDGRB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#define CDGRB_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define CDGRB_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define CDGRB_API __attribute__((visibility("default")))

/* Format codes of GrbSetEncoderOptions. */
#define CDGRB_FORMAT_RAW 1
#define CDGRB_FORMAT_WAV 2
#define CDGRB_FORMAT_MP3 3
#define CDGRB_FORMAT_OGG 4
#define CDGRB_FORMAT_FLAC 5

/* Monitor kinds: 1 a track has started (progress 0), 2 progress, 3 the track has ended. */
#define CDGRB_MONITOR_STARTED 1
#define CDGRB_MONITOR_PROGRESS 2
#define CDGRB_MONITOR_ENDED 3

/* Results (negative: failure). A kind-3 report carries one of them as its third argument. */
#define CDGRB_OK 0
#define CDGRB_E_HANDLE (-1)          /* unknown handle */
#define CDGRB_E_ARGUMENT (-2)        /* bad format code, record size or record content */
#define CDGRB_E_NO_OPTIONS (-3)      /* GrbRipTrack before GrbSetEncoderOptions */
#define CDGRB_E_DRIVE (-4)           /* letter unknown, no medium, or the medium cannot be opened */
#define CDGRB_E_TRACK (-5)           /* no such audio track, or its sectors are not all present */
#define CDGRB_E_BUSY (-6)            /* a rip is already running on this grabber */
#define CDGRB_E_OUTPUT (-7)          /* the output file cannot be created or written */
#define CDGRB_E_READ (-8)            /* a sector could not be read */
#define CDGRB_E_ENCODER (-9)         /* the encoder refused its settings or failed */
#define CDGRB_E_ABORTED (-10)        /* GrbAbortRip stopped the rip */
#define CDGRB_E_PATH_TOO_LONG (-11)  /* the output path fills its field with no terminator */
#define CDGRB_E_MEDIUM_CHANGED (-12) /* the disc was ejected or swapped during the rip */

#define CDGRB_PATH_FIELD 260

#pragma pack(push, 1)

typedef struct TGrbRawOptions {
    char OutputPath[CDGRB_PATH_FIELD];
} TGrbRawOptions;

typedef struct TGrbWavOptions {
    uint8_t Reserved[16];
    char OutputPath[CDGRB_PATH_FIELD];
} TGrbWavOptions;

typedef struct TGrbId3v2Frame {
    char FrameId[4];   /* FourCC, space-padded, no terminator */
    const char* Value; /* NUL-terminated */
} TGrbId3v2Frame;

typedef struct TGrbMp3Options {
    char Year[4]; /* no terminator */
    char Title[30];
    char Artist[30];
    char Album[30];
    uint8_t Reserved1[28];
    uint8_t Genre; /* ID3v1 genre number */
    int32_t Id3v2FrameCount;
    const TGrbId3v2Frame* Id3v2Frames;
    uint16_t Bitrate;    /* kbit/s, constant bit rate */
    int32_t MpegQuality; /* 0 Normal, 1 Low, 2 High, 3 Voice */
    int32_t JointStereo; /* 1 on, 0 off */
    int32_t Original;    /* the flags below: -1 true, 0 false (any non-zero counts as true) */
    int32_t GenerateCrc;
    int32_t Copyright;
    int32_t Private;
    int32_t WriteVbrHeader;
    uint16_t VbrMaxBitrate; /* kbit/s */
    int32_t EnableVbr;
    int32_t VbrQuality; /* 0..9 */
    int32_t WriteId3v1;
    int32_t WriteId3v2;
    char OutputPath[CDGRB_PATH_FIELD];
    uint8_t Reserved2[252];
} TGrbMp3Options;

typedef struct TGrbOggOptions {
    uint8_t Reserved[12];
    int32_t Bitrate; /* kbit/s, nominal */
    char Title[32];
    char Version[84];
    char Album[32];
    char Artist[32];
    char Organization[84];
    char Description[84];
    char Genre[84];
    char Date[84];
    char Location[84];
    char Copyright[100];
    char OutputPath[CDGRB_PATH_FIELD];
} TGrbOggOptions;

/* A Vorbis comment of a FLAC file: field name (ASCII 0x20..0x7D without "=") and value (UTF-8,
 * or Latin-1 when it does not decode as UTF-8), both NUL-terminated; no width limit. */
typedef struct TGrbComment {
    const char* Name;
    const char* Value;
} TGrbComment;

typedef struct TGrbFlacOptions {
    int32_t CompressionLevel; /* 0 (fastest) .. 8 (smallest) */
    int32_t CommentCount;     /* entries of Comments, 0..1024 */
    const TGrbComment* Comments;
    char OutputPath[CDGRB_PATH_FIELD];
} TGrbFlacOptions;

#pragma pack(pop)

CDGRB_STATIC_ASSERT(sizeof(void*) == 8, "the record layouts are those of a 64-bit process");
CDGRB_STATIC_ASSERT(sizeof(TGrbRawOptions) == 260, "TGrbRawOptions size");
CDGRB_STATIC_ASSERT(offsetof(TGrbRawOptions, OutputPath) == 0, "raw path");
CDGRB_STATIC_ASSERT(sizeof(TGrbWavOptions) == 276, "TGrbWavOptions size");
CDGRB_STATIC_ASSERT(offsetof(TGrbWavOptions, Reserved) == 0, "wav reserved");
CDGRB_STATIC_ASSERT(offsetof(TGrbWavOptions, OutputPath) == 16, "wav path");
CDGRB_STATIC_ASSERT(sizeof(TGrbId3v2Frame) == 12, "TGrbId3v2Frame size");
CDGRB_STATIC_ASSERT(offsetof(TGrbId3v2Frame, FrameId) == 0, "frame id");
CDGRB_STATIC_ASSERT(offsetof(TGrbId3v2Frame, Value) == 4, "frame value");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Year) == 0, "mp3 year");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Title) == 4, "mp3 title");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Artist) == 34, "mp3 artist");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Album) == 64, "mp3 album");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Reserved1) == 94, "mp3 reserved1");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Genre) == 122, "mp3 genre");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Id3v2FrameCount) == 123, "mp3 frame count");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Id3v2Frames) == 127, "mp3 frames");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Bitrate) == 135, "mp3 bitrate");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, MpegQuality) == 137, "mp3 quality");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, JointStereo) == 141, "mp3 joint stereo");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Original) == 145, "mp3 original");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, GenerateCrc) == 149, "mp3 crc");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Copyright) == 153, "mp3 copyright");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Private) == 157, "mp3 private");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, WriteVbrHeader) == 161, "mp3 vbr header");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, VbrMaxBitrate) == 165, "mp3 vbr max");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, EnableVbr) == 167, "mp3 vbr");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, VbrQuality) == 171, "mp3 vbr quality");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, WriteId3v1) == 175, "mp3 id3v1");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, WriteId3v2) == 179, "mp3 id3v2");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, OutputPath) == 183, "mp3 path");
CDGRB_STATIC_ASSERT(offsetof(TGrbMp3Options, Reserved2) == 443, "mp3 reserved2");
CDGRB_STATIC_ASSERT(sizeof(TGrbMp3Options) == 695, "TGrbMp3Options size");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Reserved) == 0, "ogg reserved");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Bitrate) == 12, "ogg bitrate");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Title) == 16, "ogg title");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Version) == 48, "ogg version");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Album) == 132, "ogg album");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Artist) == 164, "ogg artist");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Organization) == 196, "ogg organization");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Description) == 280, "ogg description");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Genre) == 364, "ogg genre");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Date) == 448, "ogg date");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Location) == 532, "ogg location");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, Copyright) == 616, "ogg copyright");
CDGRB_STATIC_ASSERT(offsetof(TGrbOggOptions, OutputPath) == 716, "ogg path");
CDGRB_STATIC_ASSERT(sizeof(TGrbOggOptions) == 976, "TGrbOggOptions size");
CDGRB_STATIC_ASSERT(sizeof(TGrbComment) == 16, "TGrbComment size");
CDGRB_STATIC_ASSERT(offsetof(TGrbFlacOptions, CompressionLevel) == 0, "flac level");
CDGRB_STATIC_ASSERT(offsetof(TGrbFlacOptions, CommentCount) == 4, "flac comment count");
CDGRB_STATIC_ASSERT(offsetof(TGrbFlacOptions, Comments) == 8, "flac comments");
CDGRB_STATIC_ASSERT(offsetof(TGrbFlacOptions, OutputPath) == 16, "flac path");
CDGRB_STATIC_ASSERT(sizeof(TGrbFlacOptions) == 276, "TGrbFlacOptions size");

/* The monitor: kind, progress of the track (0..1), result (0 while running; on kind 3 CDGRB_OK
 * or a negative CDGRB_E_* code), the 0-based track index, and the read speed in bytes per second.
 * It is called on the library's rip thread. */
typedef void (*TGrbMonitorProc)(int32_t kind, float progress, int32_t result, int32_t track,
                                uint32_t bytesPerSecond);

/* What DevGetTrack fills. */
typedef struct TGrbTrackInfo {
    uint8_t Number;  /* track number on the disc, 1.. */
    uint8_t IsAudio; /* 1 audio, 0 data */
    uint8_t Reserved[2];
    uint32_t StartSector; /* logical sector number of the track's first sector */
    uint32_t Sectors;     /* length in 1/75 s sectors */
} TGrbTrackInfo;
CDGRB_STATIC_ASSERT(sizeof(TGrbTrackInfo) == 12, "TGrbTrackInfo size");

/* What GrbGetTrackResult tells of the last track a grabber ripped. The checksums cover the
 * track's audio as ripped; the AccurateRip ones leave out the disc's first five frames (less one
 * sample) in its first audio track and the last five frames in its last audio track. */
typedef struct TGrbTrackResult {
    int32_t Result;       /* as reported with kind 3: CDGRB_OK or a negative CDGRB_E_* */
    int32_t TrackIndex;   /* 0-based among the audio tracks */
    uint32_t TrackNumber; /* on the disc, 1.. */
    uint32_t FirstSector; /* logical sector number */
    uint32_t Sectors;     /* length in 1/75 s sectors */
    uint32_t Crc32;       /* of the PCM bytes, as zlib and most rippers compute it */
    uint32_t AccurateRipV1;
    uint32_t AccurateRipV2;
    uint32_t Peak;        /* largest absolute sample value, 0..32768 */
    uint32_t ReadRetries; /* paranoia's repairs and re-reads */
    uint32_t ReadSkips;   /* sectors paranoia gave up on (any fails the track) */
    int32_t ReadOffset;   /* the read offset correction applied, in samples */
    uint32_t DiscTracks;  /* the disc's identifiers for the AccurateRip database */
    uint32_t DiscId1;
    uint32_t DiscId2;
    uint32_t CddbId;
    uint32_t ChecksumsValid; /* 1 when the whole track was read (Result CDGRB_OK), else 0 */
} TGrbTrackResult;
CDGRB_STATIC_ASSERT(sizeof(TGrbTrackResult) == 68, "TGrbTrackResult size");

/* Grabber: rips one audio track at a time into a file. */
CDGRB_API int32_t GrbCreateCDGrabber(void);
CDGRB_API int32_t GrbSetCDLetter(int32_t grabber, int32_t letter);
CDGRB_API int32_t GrbSetEncoderOptions(int32_t grabber, int32_t format, const void* options,
                                       int32_t size);
CDGRB_API int32_t GrbSetMonitor(int32_t grabber, TGrbMonitorProc monitor);
/* Starts ripping the audio track at 0-based position `trackIndex` among the disc's audio tracks.
 * Negative: the rip did not start (nothing written, no monitor call). Otherwise the rip runs on
 * the library's thread and ends with a kind-3 report. */
CDGRB_API int32_t GrbRipTrack(int32_t grabber, int32_t trackIndex);
/* Stops the running rip and waits (briefly) for it to end; its file is removed. */
CDGRB_API int32_t GrbAbortRip(int32_t grabber);
CDGRB_API int32_t GrbCloseCDGrabber(int32_t grabber);
/* The drive's read offset in samples (-100000..100000; 0 at creation and for virtual drives):
 * later rips read the track that many samples further on, silence outside the disc. */
CDGRB_API int32_t GrbSetReadOffset(int32_t grabber, int32_t samples);
/* The result of the last rip that has ended on this grabber, `size` = sizeof(TGrbTrackResult).
 * CDGRB_OK, or CDGRB_E_BUSY while a rip runs, CDGRB_E_NO_OPTIONS before any rip has ended. */
CDGRB_API int32_t GrbGetTrackResult(int32_t grabber, TGrbTrackResult* result, int32_t size);

/* Device: opens the medium in a drive for track and CD-Text queries. */
CDGRB_API int32_t DevCreateCDDevice(int32_t letter);
CDGRB_API int32_t DevGetLetter(int32_t device);
CDGRB_API int32_t DevGetSessionsCount(int32_t device);
CDGRB_API int32_t DevGetVolumeName(int32_t device, char* buffer32);
CDGRB_API int32_t DevGetFileSystemName(int32_t device, char* buffer32);
CDGRB_API int32_t DevGetTracksCount(int32_t device);
/* `trackNumber` 1..count; 0 on success, negative when there is no such track. */
CDGRB_API int32_t DevGetTrack(int32_t device, int32_t trackNumber, TGrbTrackInfo* info);
/* CD-Text of the disc (track 0) or a track; kind = pack type - 0x80 (0 title, 1 performer,
 * 7 genre, ...). The text stays valid until the device is closed; *length gets its byte count.
 * NULL when there is no such text. */
CDGRB_API const char* DevGetCDText(int32_t device, int32_t track, int32_t kind, int32_t* length);
CDGRB_API int32_t DevCloseCDDevice(int32_t device);

#ifdef __cplusplus
}
#endif

#endif
