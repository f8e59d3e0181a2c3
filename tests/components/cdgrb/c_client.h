#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// What the plain C client found; `message` names the first thing that went wrong.
typedef struct CClientResult {
    int ok;
    char message[256];
    int tracksCount;
    int letter;          /* DevGetLetter */
    int sessions;        /* DevGetSessionsCount */
    char volumeName[33]; /* DevGetVolumeName */
    char fileSystem[33]; /* DevGetFileSystemName */
    int track1Audio;     /* DevGetTrack of track 1 */
    unsigned track1Sectors;
    int abortResult; /* GrbAbortRip once the track has ended */
    char discTitle[128];
    char track1Title[128];
    char genre[64];
    int startResult;
    int endResult;
    int reports;
    int missingDevice; /* DevCreateCDDevice for a letter no drive has */
    int missingStart;  /* GrbRipTrack from that letter */
} CClientResult;

// Loads the library at `libraryPath` with dlopen, as any outside program would, checks that all
// sixteen entry points are there, reads the disc's CD-Text in drive `letter` and rips its first
// audio track to `wavPath` through the C interface alone.
void cclient_run(const char* libraryPath, char letter, const char* wavPath, CClientResult* result);

// Which of the sixteen entry points a library lacks: the number found (16 for a complete one),
// or -1 when it does not load.
int cclient_count_entry_points(const char* libraryPath);

#ifdef __cplusplus
}
#endif
