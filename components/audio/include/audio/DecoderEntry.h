#pragma once

// A C entry point for programs that load the audio component only when they have something to
// decode (dlopen), so their start does not pay for loading FFmpeg.

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Decodes `source` into a new WAV file in `folder` as DecodeToNewWav does. Returns 0 with the
// written file's path in `written`; or -1 with the reason in `error` and nothing left behind.
// A path that does not fit `written` is a failure (a cut path would name another file); the
// reason is cut to fit `error`. Both buffers are NUL-terminated when their size is above 0.
int platterly_audio_decode_to_new_wav(const char* source, const char* folder, char* written,
                                      size_t writtenSize, char* error, size_t errorSize);

typedef int (*PlatterlyDecodeToNewWavFn)(const char*, const char*, char*, size_t, char*, size_t);

// Reads the tags of `source` for CD-Text: `fields` receives title, artist, album and album
// artist, each ended by a NUL, one after the other (an absent tag is an empty string). Returns 0;
// or -1 when the file is not readable media or the fields do not fit, with `fields` empty.
int platterly_audio_read_tags(const char* source, char* fields, size_t fieldsSize);

typedef int (*PlatterlyReadTagsFn)(const char*, char*, size_t);

#ifdef __cplusplus
}
#endif
