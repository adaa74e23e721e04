// tvxctl convert of a recorded drive between its layouts (.msl, .csv, .mlg).
#pragma once

#include <optional>
#include <string>

// Whether a convert of `in` to `out` is of drives rather than tables: a .msl or a .mlg at
// either end (a .csv alone is a table).
bool IsDriveConversion(const std::string& in, const std::string& out);

// Writes `out` whole from `in`; else why not. `mlgVersion` is the binary log's, 1 or 2.
std::optional<std::string> ConvertDrive(const std::string& in, const std::string& out,
                                        int mlgVersion);
