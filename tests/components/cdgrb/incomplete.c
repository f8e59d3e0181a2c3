/* A copy of the grabbing library's interface with one entry point left out, for the tests of
 * loaders that must refuse it. Every entry point here fails: it is never meant to rip. */
#include "cdgrb/cdgrb.h"

#include <stddef.h>

int32_t GrbCreateCDGrabber(void) {
    return 0;
}
int32_t GrbSetCDLetter(int32_t g, int32_t l) {
    (void)g;
    (void)l;
    return CDGRB_E_HANDLE;
}
int32_t GrbSetEncoderOptions(int32_t g, int32_t f, const void* o, int32_t s) {
    (void)g;
    (void)f;
    (void)o;
    (void)s;
    return CDGRB_E_HANDLE;
}
int32_t GrbSetMonitor(int32_t g, TGrbMonitorProc m) {
    (void)g;
    (void)m;
    return CDGRB_E_HANDLE;
}
int32_t GrbRipTrack(int32_t g, int32_t t) {
    (void)g;
    (void)t;
    return CDGRB_E_HANDLE;
}
int32_t GrbAbortRip(int32_t g) {
    (void)g;
    return CDGRB_E_HANDLE;
}
#ifndef CDGRB_LEAVE_OUT_GRABBER_CLOSE
int32_t GrbCloseCDGrabber(int32_t g) {
    (void)g;
    return CDGRB_E_HANDLE;
}
#endif
int32_t DevCreateCDDevice(int32_t l) {
    (void)l;
    return 0;
}
int32_t DevGetLetter(int32_t d) {
    (void)d;
    return CDGRB_E_HANDLE;
}
int32_t DevGetSessionsCount(int32_t d) {
    (void)d;
    return CDGRB_E_HANDLE;
}
int32_t DevGetVolumeName(int32_t d, char* b) {
    (void)d;
    (void)b;
    return CDGRB_E_HANDLE;
}
int32_t DevGetFileSystemName(int32_t d, char* b) {
    (void)d;
    (void)b;
    return CDGRB_E_HANDLE;
}
int32_t DevGetTracksCount(int32_t d) {
    (void)d;
    return CDGRB_E_HANDLE;
}
#ifndef CDGRB_LEAVE_OUT_DEVICE_TRACK
int32_t DevGetTrack(int32_t d, int32_t n, TGrbTrackInfo* i) {
    (void)d;
    (void)n;
    (void)i;
    return CDGRB_E_HANDLE;
}
#endif
const char* DevGetCDText(int32_t d, int32_t t, int32_t k, int32_t* n) {
    (void)d;
    (void)t;
    (void)k;
    (void)n;
    return NULL;
}
int32_t DevCloseCDDevice(int32_t d) {
    (void)d;
    return CDGRB_E_HANDLE;
}
