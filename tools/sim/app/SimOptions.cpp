#include "SimOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mirav::sim {

const char kSimUsage[] =
    "usage: mirav-sim [options]\n"
    "The substitute capture server: answers clients on the command port and streams frames of a\n"
    "synthetic scene, of a C3D or BVH file, or of a recording made with mirav-cli record.\n"
    "\n"
    "what to stream:\n"
    "  (default)               a synthetic scene: rigid bodies circling, a walking skeleton, a\n"
    "                          waved marker set and two force plates stepped on in turn\n"
    "  --rigid-bodies N        rigid bodies in the scene (0-1000, default 3)\n"
    "  --skeletons N           walking skeletons (0-100, default 1)\n"
    "  --markers N             markers in the marker set (0-200, default 4)\n"
    "  --no-force-plates       leave out the force plates\n"
    "  --c3d FILE              markers, analog channels and force plates of a C3D file (looped)\n"
    "  --bvh FILE              the skeleton of a BVH file (looped)\n"
    "  --replay FILE           a recording from mirav-cli record, with its original timing;\n"
    "                          each client that connects sees it from the start\n"
    "  --speed X               replay X times as fast (default 1)\n"
    "  --loop                  replay again and again (default: stop at the end)\n"
    "\n"
    "how:\n"
    "  --rate HZ               frames per second (default 100, or the file's rate; 0: none)\n"
    "  --duration SECONDS      stop after this time (default: until Ctrl-C)\n"
    "  --unicast               frames to the client's port 5231 (default)\n"
    "  --multicast             frames to group 239.239.239.52; refused unless this network\n"
    "                          namespace has no default route (so nothing leaves the machine)\n"
    "  --bind ADDRESS          local address to serve on (default 127.0.0.1)\n"
    "  --command-port N        command port (default 5230)\n"
    "  --data-port N           client data port frames are sent to (default 5231)\n"
    "  --jitter MS             send each frame a random 0-MS ms after its capture instant\n"
    "                          (frames are captured on a steady grid)\n"
    "  --true-time             timeStamp carries each frame's capture instant in nanoseconds of\n"
    "                          this machine's monotonic clock, to compare clients' capture times\n"
    "\n"
    "for tests:\n"
    "  --server-version A.B.C.D version bytes in the connect reply (default 4.0.56.34)\n"
    "  --refuse                refuse every client's version\n"
    "  --descriptions-type T   answer description requests as type 101 or 105\n"
    "  --silent                record commands but answer none\n"
    "  --typical               stream typical-size frames instead of the scene\n"
    "  --loss P                lose each frame datagram with probability P (0-1)\n"
    "  --duplicate P           send each frame datagram twice with probability P\n"
    "  --reorder P             swap each datagram with the next of its message, probability P\n"
    "  --burst-loss P          per message, with probability P, lose a run of 1-25 datagrams\n"
    "                          from a random fragment on\n"
    "  --seed N                seed of the impairment (default 1)\n";

namespace {

bool ParseNumber(const char* text, double low, double high, double* value) {
    char* end = nullptr;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(parsed) || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseVersion(const char* text, std::array<uint8_t, 4>* version) {
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(text, "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    *version = {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c),
                static_cast<uint8_t>(d)};
    return true;
}

}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        double number = 0;
        // Options with a number in [low, high]; the value is consumed.
        const auto numeric = [&](double low, double high) {
            if (value == nullptr || !ParseNumber(value, low, high, &number)) {
                char range[64];
                std::snprintf(range, sizeof(range), " needs a number from %g to %g", low, high);
                error = option + range;
                return false;
            }
            ++i;
            return true;
        };
        const auto text = [&](std::string* out) {
            if (value == nullptr) {
                error = option + " needs a value";
                return false;
            }
            *out = value;
            ++i;
            return true;
        };
        bool ok = true;
        if (option == "--help" || option == "-h") {
            o.help = true;
        } else if (option == "--loss" || option == "--duplicate" || option == "--reorder" ||
                   option == "--burst-loss") {
            ok = numeric(0, 1);
            Impairment& impairment = o.config.impairment;
            (option == "--loss"        ? impairment.loss
             : option == "--duplicate" ? impairment.duplicate
             : option == "--reorder"   ? impairment.reorder
                                       : impairment.burstLoss) = number;
        } else if (option == "--seed") {
            ok = numeric(0, 4294967295.0);
            o.config.impairment.seed = static_cast<uint64_t>(number);
        } else if (option == "--rate") {
            ok = numeric(0, 100000);
            o.rate = number;
            o.rateGiven = true;
        } else if (option == "--jitter") {
            ok = numeric(0, 1000);
            o.config.jitterMs = number;
        } else if (option == "--true-time") {
            o.config.trueTime = true;
        } else if (option == "--duration") {
            ok = numeric(0, 1e9);
            o.duration = number;
        } else if (option == "--rigid-bodies") {
            ok = numeric(0, MAX_RIGIDBODIES);
            o.rigidBodies = static_cast<int>(number);
        } else if (option == "--skeletons") {
            ok = numeric(0, MAX_SKELETONS);
            o.skeletons = static_cast<int>(number);
        } else if (option == "--markers") {
            ok = numeric(0, MAX_MARKERS);
            o.markers = static_cast<int>(number);
        } else if (option == "--speed") {
            ok = numeric(0.01, 1000);
            o.speed = number;
        } else if (option == "--command-port" || option == "--data-port") {
            ok = numeric(1, 65535);
            (option == "--data-port" ? o.config.dataPort : o.config.commandPort) =
                static_cast<uint16_t>(number);
        } else if (option == "--descriptions-type") {
            ok = numeric(101, 105) && (number == 101 || number == 105);
            o.config.descriptionsType = static_cast<uint8_t>(number);
            if (!ok) error = "--descriptions-type is 101 or 105";
        } else if (option == "--server-version") {
            ok = value != nullptr && ParseVersion(value, &o.config.version);
            if (!ok) error = "--server-version needs four numbers 0-255 like 4.0.56.34";
            ++i;
        } else if (option == "--bind") {
            ok = text(&o.config.bindAddress);
        } else if (option == "--c3d") {
            ok = text(&o.c3d);
        } else if (option == "--bvh") {
            ok = text(&o.bvh);
        } else if (option == "--replay") {
            ok = text(&o.replay);
        } else if (option == "--loop") {
            o.loop = true;
        } else if (option == "--unicast") {
            o.config.multicast = false;
        } else if (option == "--multicast") {
            o.config.multicast = true;
        } else if (option == "--refuse") {
            o.config.accepted = 0;
        } else if (option == "--silent") {
            o.silent = true;
        } else if (option == "--typical") {
            o.typical = true;
        } else if (option == "--no-force-plates") {
            o.forcePlates = false;
        } else {
            error = "unknown option " + option;
            ok = false;
        }
        if (!ok) return false;
    }
    const int sources = !o.c3d.empty() + !o.bvh.empty() + !o.replay.empty() + o.typical;
    if (sources > 1) {
        error = "choose one of --c3d, --bvh, --replay and --typical";
        return false;
    }
    return true;
}

}  // namespace mirav::sim
