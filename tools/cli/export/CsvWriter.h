// The CSV form of an export: one row per frame, a header line naming every column and a line of
// units under it.
#ifndef MIRAV_CLI_EXPORT_CSV_WRITER_H
#define MIRAV_CLI_EXPORT_CSV_WRITER_H

#include <ostream>
#include <string>

#include "ExportModel.h"

namespace mirav::cli {

// Columns: frame, time (s from the first exported frame); each point's X, Y, Z (empty while
// occluded); each rigid body's X, Y, Z, QX, QY, QZ, QW (empty while untracked); each bone
// likewise, named "skeleton:bone"; each analog channel (plate channels in N and N m).
void WriteCsv(const ExportSource& source, const C3dContent& content, std::ostream& out);

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace mirav::cli

#endif
