/* The flat C interface: connects, prints the server's description and what it describes,
 * counts frames in the data callback and polls the newest frame's timecode once a second.
 * Usage: flat_c [server address] [seconds] */
#include <mirav/Mirav.h>

#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
static void SleepMilliseconds(int ms) { Sleep((DWORD)ms); }
#else
#include <time.h>
static void SleepMilliseconds(int ms) {
    struct timespec pause;
    pause.tv_sec = ms / 1000;
    pause.tv_nsec = (long)(ms % 1000) * 1000000L;
    nanosleep(&pause, NULL);
}
#endif

/* Counted on the library's receive thread, read on the main thread. */
static atomic_long framesSeen;

static void OnFrame(sFrameOfMocapData* frame, void* userData) {
    (void)userData;
    if (frame != NULL) atomic_fetch_add(&framesSeen, 1);
}

int main(int argc, char** argv) {
    const char* address = argc > 1 ? argv[1] : "127.0.0.1";
    int seconds = argc > 2 ? atoi(argv[2]) : 10;
    MiravSDKClient* client = NULL;
    sServerDescription server;
    sDataDescriptions* descriptions = NULL;
    unsigned char version[4];
    int s, result;

    if (CreateClient(&client) != 0 || client == NULL) {
        fprintf(stderr, "flat_c: cannot create a client\n");
        return 1;
    }
    MiravVersion(client, version);
    printf("library version %u.%u.%u.%u\n", version[0], version[1], version[2], version[3]);
    SetDataCallback(client, OnFrame, NULL);
    /* A polling queue of one frame: each GetLastFrameOfMocapData gives the newest frame. */
    SetFrameQueueCapacity(client, 1);

    result = Initialize(client, address);
    if (result != 0) {
        fprintf(stderr, "flat_c: cannot connect to %s (result %d)\n", address, result);
        DestroyClient(client);
        return 1;
    }
    memset(&server, 0, sizeof(server));
    if (GetServerDescription(client, &server) == 0) {
        server.hostApp[MAX_NAMELENGTH - 1] = '\0';
        printf("server: %s, protocol %u.%u.%u.%u\n", server.hostApp, server.sdkVersion[0],
               server.sdkVersion[1], server.sdkVersion[2], server.sdkVersion[3]);
    }
    if (GetDataDescriptions(client, &descriptions) == 0 && descriptions != NULL) {
        printf("%d data descriptions\n", descriptions->descriptionCount);
        FreeDataDescriptions(client, descriptions);
    }

    for (s = 0; s < seconds; ++s) {
        sFrameOfMocapData* frame;
        uint32_t timecode = 0, subframe = 0;
        char text[32] = "";
        SleepMilliseconds(1000);
        frame = GetLastFrameOfMocapData(client);
        GetLastFrameTimecode(client, &timecode);
        GetLastFrameSubframe(client, &subframe);
        TimecodeStringify(client, timecode, subframe, text, (int)sizeof(text));
        printf("%ld frames so far; newest frame %d, timecode %s\n", atomic_load(&framesSeen),
               frame != NULL ? frame->frameNumber : -1, text);
        fflush(stdout);
    }
    Uninitialize(client);
    DestroyClient(client);
    printf("received %ld frames\n", atomic_load(&framesSeen));
    return atomic_load(&framesSeen) > 0 ? 0 : 1;
}
