// Options of the mirav-sim program.
#ifndef MIRAV_SIM_APP_SIM_OPTIONS_H
#define MIRAV_SIM_APP_SIM_OPTIONS_H

#include <string>

#include "Server.h"

namespace mirav::sim {

struct SimOptions {
    ServerConfig config;
    double rate = 100.0;
    bool rateGiven = false;
    double duration = 0.0;  // 0: until interrupted
    bool silent = false;
    bool typical = false;
    bool forcePlates = true;
    int rigidBodies = Scene::kRigidBodies;
    int skeletons = 1;
    int markers = Scene::kMarkersPerSet;
    std::string c3d, bvh, replay;
    double speed = 1.0;
    bool loop = false;
    bool help = false;
};

extern const char kSimUsage[];

// Parses the command line; false with a one-line reason for anything it cannot use.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);

}  // namespace mirav::sim

#endif
