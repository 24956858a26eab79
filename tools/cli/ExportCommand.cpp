// export: a recording made by `mirav-cli record` written out as a C3D file or a CSV table.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "CsvWriter.h"
#include "ExportModel.h"
#include "Options.h"
#include "RecordingReader.h"

namespace mirav::cli {
namespace {

const char kExportUsage[] =
    "usage: mirav-cli export RECORDING (--c3d OUT.c3d | --csv OUT.csv) [--rate HZ]\n"
    "                        [--units mm|cm|m] [--integer]\n"
    "  Writes the frames of a recording made by `mirav-cli record` to a C3D file (points named\n"
    "  from the marker sets, analog channels, force platforms) or to a CSV table (one row per\n"
    "  frame; points, rigid bodies, bones and analog channels, with a line of units).\n"
    "  --c3d OUT     write a C3D file\n"
    "  --csv OUT     write a CSV table\n"
    "  --rate HZ     the frame rate (default: estimated from the recorded arrival times)\n"
    "  --units U     the server's length unit, written into the files (default: m or mm as\n"
    "                the labelled markers' sizes suggest, else mm)\n"
    "  --integer     C3D: store 16-bit integers with a scale instead of floats\n";

struct ExportRequest {
    std::string recording, c3d, csv;
    ExportOptions options;
};

// Parses the arguments; returns -1 to go on, otherwise the exit code.
int ParseExport(int argc, char** argv, int first, ExportRequest& request) {
    ParsedArgs args;
    std::string error;
    const std::vector<OptionRule> rules = {
        {"--c3d", true}, {"--csv", true}, {"--rate", true}, {"--units", true}, {"--integer"}};
    if (!ParseArgs(argc, argv, first, rules, 1, args, error)) {
        return UsageError("export", error, kExportUsage);
    }
    if (args.help) {
        std::printf("%s", kExportUsage);
        return kExitOk;
    }
    request.recording = args.positionals[0];
    request.c3d = args.Value("--c3d");
    request.csv = args.Value("--csv");
    if (request.c3d.empty() == request.csv.empty()) {
        return UsageError("export", "give one of --c3d and --csv", kExportUsage);
    }
    if (args.Has("--rate") &&
        !ParsePositiveNumber(args.Value("--rate"), &request.options.frameRate)) {
        return UsageError("export", "--rate needs a number of frames per second above 0",
                          kExportUsage);
    }
    request.options.units = args.Value("--units");
    if (args.Has("--units") && request.options.units != "mm" && request.options.units != "cm" &&
        request.options.units != "m") {
        return UsageError("export", "--units is one of mm, cm and m", kExportUsage);
    }
    request.options.integerStorage = args.Has("--integer");
    return -1;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path;
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!ok || !closed) error = "cannot write " + path + " completely (disk full?)";
    return ok && closed;
}

int Export(const ExportRequest& request, const ExportSource& source) {
    const C3dContent content = MakeC3dContent(source, request.options);
    std::string error;
    const std::string& out = request.c3d.empty() ? request.csv : request.c3d;
    if (!request.c3d.empty()) {
        std::vector<uint8_t> bytes;
        if (!WriteC3d(content, bytes, error) || !WriteFile(out, bytes, error)) {
            return Failure("export", error);
        }
    } else {
        std::ofstream file(out, std::ios::binary);
        if (file) WriteCsv(source, content, file);
        if (!file || !file.flush()) return Failure("export", "cannot write " + out);
    }
    std::printf(
        "exported %zu frames at %g Hz (%zu points, %zu analog channels, %zu force "
        "plates) to %s\n",
        content.frameCount, content.frameRate, content.pointLabels.size(),
        content.analogLabels.size(), content.plates.size(), out.c_str());
    return kExitOk;
}

}  // namespace

int RunExport(int argc, char** argv, int first) {
    ExportRequest request;
    const int parsed = ParseExport(argc, argv, first, request);
    if (parsed >= 0) return parsed;
    RecordingReader reader;
    std::string error;
    if (!reader.Open(request.recording, error)) return Failure("export", error);
    ExportSource source;
    if (!LoadExportSource(reader, request.options, source, error)) return Failure("export", error);
    if (reader.Dropped() > 0 || source.undecodable > 0) {
        std::fprintf(stderr, "mirav-cli export: %llu malformed or unfinished messages skipped\n",
                     static_cast<unsigned long long>(reader.Dropped()));
    }
    return Export(request, source);
}

}  // namespace mirav::cli
