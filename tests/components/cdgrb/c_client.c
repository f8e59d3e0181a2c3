/* A plain C client of libcdgrb.so: nothing but dlopen, dlsym and the public header. */
#include "c_client.h"

#include "cdgrb/cdgrb.h"

#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static const char* const kEntryPoints[16] = {
    "GrbCreateCDGrabber", "GrbSetCDLetter",      "GrbSetEncoderOptions", "GrbSetMonitor",
    "GrbRipTrack",        "GrbAbortRip",         "GrbCloseCDGrabber",    "DevCreateCDDevice",
    "DevGetLetter",       "DevGetSessionsCount", "DevGetVolumeName",     "DevGetFileSystemName",
    "DevGetTracksCount",  "DevGetTrack",         "DevGetCDText",         "DevCloseCDDevice"};

static pthread_mutex_t gLock = PTHREAD_MUTEX_INITIALIZER;
static int gEnded = 0;
static int gEndResult = 1;
static int gReports = 0;

static void monitor(int32_t kind, float progress, int32_t result, int32_t track, uint32_t speed) {
    (void)progress;
    (void)track;
    (void)speed;
    pthread_mutex_lock(&gLock);
    ++gReports;
    if (kind == CDGRB_MONITOR_ENDED) {
        gEnded = 1;
        gEndResult = result;
    }
    pthread_mutex_unlock(&gLock);
}

int cclient_count_entry_points(const char* libraryPath) {
    void* lib = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return -1;
    int found = 0;
    for (int i = 0; i < 16; ++i)
        found += dlsym(lib, kEntryPoints[i]) != NULL;
    dlclose(lib);
    return found;
}

static void copyText(char* to, size_t size, const char* from) {
    snprintf(to, size, "%s", from ? from : "");
}

/* Waits for the end report like the app's polling loop: read, sleep, read again. */
static int waitForEnd(int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        pthread_mutex_lock(&gLock);
        const int ended = gEnded;
        pthread_mutex_unlock(&gLock);
        if (ended)
            return 1;
        struct timespec ts = {0, 10 * 1000 * 1000};
        nanosleep(&ts, NULL);
    }
    return 0;
}

void cclient_run(const char* libraryPath, char letter, const char* wavPath, CClientResult* result) {
    memset(result, 0, sizeof *result);
    void* lib = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        copyText(result->message, sizeof result->message, dlerror());
        return;
    }
    void* entry[16];
    for (int i = 0; i < 16; ++i) {
        entry[i] = dlsym(lib, kEntryPoints[i]);
        if (!entry[i]) {
            snprintf(result->message, sizeof result->message, "missing %s", kEntryPoints[i]);
            dlclose(lib);
            return;
        }
    }
    int32_t (*createGrabber)(void) = (int32_t(*)(void))entry[0];
    int32_t (*setLetter)(int32_t, int32_t) = (int32_t(*)(int32_t, int32_t))entry[1];
    int32_t (*setOptions)(int32_t, int32_t, const void*, int32_t) =
        (int32_t(*)(int32_t, int32_t, const void*, int32_t))entry[2];
    int32_t (*setMonitor)(int32_t, TGrbMonitorProc) =
        (int32_t(*)(int32_t, TGrbMonitorProc))entry[3];
    int32_t (*ripTrack)(int32_t, int32_t) = (int32_t(*)(int32_t, int32_t))entry[4];
    int32_t (*abortRip)(int32_t) = (int32_t(*)(int32_t))entry[5];
    int32_t (*closeGrabber)(int32_t) = (int32_t(*)(int32_t))entry[6];
    int32_t (*createDevice)(int32_t) = (int32_t(*)(int32_t))entry[7];
    int32_t (*getLetter)(int32_t) = (int32_t(*)(int32_t))entry[8];
    int32_t (*getSessions)(int32_t) = (int32_t(*)(int32_t))entry[9];
    int32_t (*getVolumeName)(int32_t, char*) = (int32_t(*)(int32_t, char*))entry[10];
    int32_t (*getFileSystem)(int32_t, char*) = (int32_t(*)(int32_t, char*))entry[11];
    int32_t (*getTracksCount)(int32_t) = (int32_t(*)(int32_t))entry[12];
    int32_t (*getTrack)(int32_t, int32_t, TGrbTrackInfo*) =
        (int32_t(*)(int32_t, int32_t, TGrbTrackInfo*))entry[13];
    const char* (*getCdText)(int32_t, int32_t, int32_t, int32_t*) =
        (const char* (*)(int32_t, int32_t, int32_t, int32_t*))entry[14];
    int32_t (*closeDevice)(int32_t) = (int32_t(*)(int32_t))entry[15];

    const int32_t device = createDevice((unsigned char)letter);
    if (device == 0) {
        copyText(result->message, sizeof result->message, "DevCreateCDDevice returned 0");
        dlclose(lib);
        return;
    }
    int32_t length = 0;
    result->tracksCount = getTracksCount(device) & 0xFF;
    result->letter = getLetter(device);
    result->sessions = getSessions(device) & 0xFF;
    /* The buffers are 32 bytes as the interface says; the extra byte keeps them C strings. */
    getVolumeName(device, result->volumeName);
    getFileSystem(device, result->fileSystem);
    TGrbTrackInfo info;
    memset(&info, 0, sizeof info);
    if (getTrack(device, 1, &info) == CDGRB_OK) {
        result->track1Audio = info.IsAudio;
        result->track1Sectors = info.Sectors;
    }
    copyText(result->discTitle, sizeof result->discTitle, getCdText(device, 0, 0, &length));
    copyText(result->track1Title, sizeof result->track1Title, getCdText(device, 1, 0, &length));
    copyText(result->genre, sizeof result->genre, getCdText(device, 0, 7, &length));
    closeDevice(device);

    const int32_t grabber = createGrabber();
    if (grabber == 0) {
        copyText(result->message, sizeof result->message, "GrbCreateCDGrabber returned 0");
        dlclose(lib);
        return;
    }
    TGrbWavOptions options;
    memset(&options, 0, sizeof options);
    snprintf(options.OutputPath, sizeof options.OutputPath, "%s", wavPath);
    setLetter(grabber, (unsigned char)letter);
    setOptions(grabber, CDGRB_FORMAT_WAV, &options, (int32_t)sizeof options);
    setMonitor(grabber, monitor);
    result->startResult = ripTrack(grabber, 0);
    if (result->startResult >= 0 && !waitForEnd(60))
        copyText(result->message, sizeof result->message, "no end report");
    pthread_mutex_lock(&gLock);
    result->endResult = gEndResult;
    result->reports = gReports;
    pthread_mutex_unlock(&gLock);
    result->abortResult = abortRip(grabber);
    result->missingDevice = createDevice('Z');
    setLetter(grabber, 'Z');
    result->missingStart = ripTrack(grabber, 0);
    closeGrabber(grabber);
    dlclose(lib);
    result->ok = result->startResult >= 0 && result->endResult == CDGRB_OK;
}
