// Reading and writing .vet files: 400 bytes, byte k the low byte of cell k, nothing else.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

constexpr int kVetFileBytes = 400;
using VetCells = std::array<std::uint8_t, kVetFileBytes>;

struct FileError {
    std::string reason;
};

// The first 400 bytes; a shorter file is refused whole. A missing file is never created.
std::variant<VetCells, FileError> ReadVetFile(const std::string& path);

// Writes bytes 0 to 399 in place: a longer file keeps its tail, a missing file is created.
std::variant<std::monostate, FileError> WriteVetFile(const std::string& path,
                                                     const VetCells& cells);
