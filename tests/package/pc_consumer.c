/* Built with the flags pkg-config gives for mirav_sdk: prints the library's version. */
#include <mirav/Mirav.h>
#include <stdio.h>

int main(void) {
    unsigned char version[4];
    MiravSDKClient* client = NULL;
    Solvanta_GetVersion(version);
    if (CreateClient(&client) != MiravResult_Ok) return 1;
    printf("mirav_sdk %d.%d.%d.%d (headers %s)\n", version[0], version[1], version[2], version[3],
           MIRAV_SDK_VERSION_STRING);
    return DestroyClient(client) == MiravResult_Ok ? 0 : 1;
}
