/* Counts the frames the library delivers to a C data callback for a while: the baseline for the
 * Python frame benchmark. Usage: callback_rate SERVER SECONDS; prints the process CPU time per
 * frame and "callback_frames_per_s R". */
#include <mirav/MiravFlatApi.h>

#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static atomic_ullong frames;

static void OnFrame(sFrameOfMocapData* frame, void* userData) {
    (void)frame;
    (void)userData;
    atomic_fetch_add(&frames, 1);
}

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void Pause(double seconds) {
    struct timespec t = {(time_t)seconds, (long)((seconds - (double)(time_t)seconds) * 1e9)};
    nanosleep(&t, NULL);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: callback_rate SERVER SECONDS\n");
        return 2;
    }
    const double seconds = atof(argv[2]);
    MiravSDKClient* client = NULL;
    if (CreateClient(&client) != 0) return 1;
    SetVerbosityLevel(client, 0);
    SetDataCallback(client, OnFrame, NULL);
    const int result = Initialize(client, argv[1]);
    if (result != 0) {
        fprintf(stderr, "callback_rate: Initialize gave %d\n", result);
        DestroyClient(client);
        return 1;
    }
    /* Frames start once the server saw the descriptions request. */
    sDataDescriptions* descriptions = NULL;
    if (GetDataDescriptions(client, &descriptions) == 0) FreeDataDescriptions(client, descriptions);
    const double waitUntil = Now() + 5;
    while (atomic_load(&frames) == 0 && Now() < waitUntil) Pause(0.005);
    Pause(0.2);
    const unsigned long long before = atomic_load(&frames);
    const double start = Now();
    const clock_t cpuStart = clock();
    Pause(seconds);
    const unsigned long long count = atomic_load(&frames) - before;
    const double elapsed = Now() - start;
    const double cpu = (double)(clock() - cpuStart) / CLOCKS_PER_SEC;
    Uninitialize(client);
    DestroyClient(client);
    printf("callback_cpu_us_per_frame %.1f\n", count ? 1e6 * cpu / (double)count : 0.0);
    printf("callback_frames_per_s %.1f\n", (double)count / elapsed);
    return count > 0 ? 0 : 1;
}
