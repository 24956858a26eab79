// The messages the view's page reads: the scene (what the stream describes) and each frame.
#ifndef MIRAV_CLI_VIEW_VIEW_JSON_H
#define MIRAV_CLI_VIEW_VIEW_JSON_H

#include <mirav/Mirav.h>

#include <map>
#include <string>
#include <vector>

#include "Descriptions.h"
#include "FrameQueue.h"

namespace mirav::cli {

// What the page needs of the descriptions besides names: bone parents and plate outlines.
struct ViewScene {
    NameIndex names;
    std::map<int32_t, std::map<int32_t, int32_t>> boneParents;  // skeleton -> bone -> parent
    std::vector<sForcePlateDescription> plates;                 // kinds 3 and 4
    std::string units;                                          // "" when unknown

    static ViewScene From(const sDataDescriptions* descriptions);
};

// {"type":"scene", "source", "units", "plates":[{"corners"}], "skeletons":{id:{name, parents}},
// "frames" (replay only)}
std::string SceneMessage(const ViewScene& scene, const std::string& source, size_t frames);

// The frame message without its closing brace, so the sender can add the status of the moment:
// {"type":"frame", "frame", "latency", "sets", "labeled", "unlabeled", "bodies", "skeletons",
// "forces" ...
std::string FrameMessageStart(const FrameCopy& frame, const ViewScene& scene);

}  // namespace mirav::cli

#endif
