// A program built against the installed package: creates a client and prints the version.
#include <mirav/Mirav.h>

#include <cstdio>

int main() {
    MiravSDKClient* client = nullptr;
    if (CreateClient(&client) != 0) return 1;
    unsigned char version[4] = {};
    MiravVersion(client, version);
    char text[32];
    Solvanta_TimecodeStringify(0x01020304u, 5, text, sizeof text);
    std::printf("version %d.%d.%d.%d timecode %s\n", version[0], version[1], version[2], version[3],
                text);
    return DestroyClient(client);
}
