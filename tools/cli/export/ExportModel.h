// What `mirav-cli export` takes from a recording: every frame, decoded, with the names the
// recorded descriptions give, turned into the content of a C3D file or of a CSV table.
#ifndef MIRAV_CLI_EXPORT_EXPORT_MODEL_H
#define MIRAV_CLI_EXPORT_EXPORT_MODEL_H

#include <string>
#include <vector>

#include "C3dWriter.h"
#include "Descriptions.h"
#include "FrameQueue.h"
#include "RecordingReader.h"

namespace mirav::cli {

// Longest run of lost frames filled in to keep a file's time axis (a longer jump is a restart of
// the server's count, not a loss).
constexpr int64_t kMaxFilledGap = 1000;

struct ExportOptions {
    double frameRate = 0;         // 0: estimated from the arrival times
    std::string units;            // the server's length unit; "": guessed, else mm
    bool integerStorage = false;  // C3D: 16-bit integers instead of floats
};

struct ExportSource {
    std::vector<FrameCopy> frames;
    NameIndex names;
    // Plate descriptions (kinds 3 and 4) with the index of their first analog channel.
    std::vector<std::pair<sForcePlateDescription, int>> plates;
    // Marker names of each described marker set, by set name.
    std::vector<std::pair<std::string, std::vector<std::string>>> markerSets;
    double frameRate = 0;
    std::string units;  // given, or guessed from the marker sizes, or mm
    size_t undecodable = 0;
};

// The points: every marker set marker, then labelled markers unless each of them repeats a
// marker set marker of its frame (takes stream their markers both ways).
struct PointPlan {
    std::vector<std::string> labels;
    std::vector<std::pair<std::string, size_t>> setMarkers;  // set name, marker index
    std::vector<int32_t> labeledIds;
};

// Decodes every frame of the recording and collects the names. Fails without a frame rate.
bool LoadExportSource(const RecordingReader& reader, const ExportOptions& options,
                      ExportSource& source, std::string& error);

// The C3D content: marker set markers (and labelled markers that no marker set repeats) as
// points, the analog values as channels, computed plates as force platforms.
C3dContent MakeC3dContent(const ExportSource& source, const ExportOptions& options);

// The corners of a nominal 600 mm x 400 mm plate at the plate's origin and in its orientation
// (the stream gives no plate size); mm is millimetres per length unit.
void PlateCorners(const sForcePlateDescription& d, double mm, double corners[4][3]);

// The length unit the labelled markers' sizes suggest ("m" or "mm"), or "" when they do not.
std::string GuessUnits(const std::vector<FrameCopy>& frames);

// The number of the frame with this timecode (frame 1 at 00:00:00:00), so that a take keeps its
// place in time; 1 without a timecode.
uint32_t FirstFrameFromTimecode(uint32_t timecode, uint32_t subframe, double frameRate);

// Millimetres per unit for the length units the export knows ("mm", "cm", "m"); 1 otherwise.
double MillimetresPer(const std::string& units);

}  // namespace mirav::cli

#endif
