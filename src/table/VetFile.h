// Reading and writing .vet files: 400 bytes, byte k the low byte of cell k, nothing else.
#pragma once

#include "common/File.h"
#include "table/VeTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

constexpr int kVetFileBytes = 400;
using VetCells = std::array<std::uint8_t, kVetFileBytes>;

// The bytes the window saves: the low byte of each of the 400 cells.
VetCells VetCellsOf(const VeTable& table);

// A table a .vet cannot hold (a cell outside 0..255 would come back as another value, and a .vet
// is made to be sent): "the cell at pressure index 3, RPM index 7 holds 275; a .vet holds 0 to
// 255 (save it as .csv or .json)". Nothing when it fits.
std::optional<std::string> VetRefusal(const VeTable& table);

// The first 400 bytes; a shorter file is refused whole. A missing file is never created.
std::variant<VetCells, FileError> ReadVetFile(const std::string& path);

// Writes bytes 0 to 399: a longer file keeps its tail, a missing file is created. A regular
// file is replaced only once the new one is whole, so a failed save leaves the old one as it was;
// a device is written in place.
std::variant<std::monostate, FileError> WriteVetFile(const std::string& path,
                                                     const VetCells& cells);
