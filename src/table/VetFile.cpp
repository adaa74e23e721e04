#include "table/VetFile.h"

#include "common/FileReplace.h"
#include "common/InputFile.h"
#include "table/CsvGrid.h"

#include <cerrno>
#include <cstring>
#include <memory>

VetCells VetCellsOf(const VeTable& table) {
    VetCells cells{};
    for (int k = 0; k < kVetFileBytes; ++k) {
        cells[k] = static_cast<std::uint8_t>(table[k] & 0xFF);
    }
    return cells;
}

std::optional<std::string> VetRefusal(const VeTable& table) {
    for (int k = 0; k < kVetFileBytes; ++k) {
        if (table[k] < 0 || table[k] > 255) {
            return "the " + CellPlace(k) + " holds " + std::to_string(table[k]) +
                   "; a .vet holds 0 to 255 (save it as .csv or .json)";
        }
    }
    return std::nullopt;
}

std::variant<VetCells, FileError> ReadVetFile(const std::string& path) {
    auto opened = OpenInputFile(path);
    if (const auto* why = std::get_if<std::string>(&opened)) {
        return FileError{*why};
    }
    const File file = std::get<File>(std::move(opened));
    VetCells cells{};
    const std::size_t got = std::fread(cells.data(), 1, cells.size(), file.get());
    if (got == cells.size()) {
        return cells;
    }
    if (std::ferror(file.get())) {
        return ErrorFromErrno("Cannot read", path);
    }
    return FileError{"Not a table file, " + path + " holds " + std::to_string(got) + " of " +
                     std::to_string(kVetFileBytes) + " bytes"};
}

namespace {

// Writes bytes 0 to 399 where the file is: the only way into a device such as /dev/full.
std::optional<FileError> WriteInPlace(std::FILE* file, const std::string& path,
                                      const VetCells& cells) {
    if (std::fwrite(cells.data(), 1, cells.size(), file) != cells.size() ||
        std::fflush(file) != 0) {
        return ErrorFromErrno("Cannot write", path);
    }
    return std::nullopt;
}

// Reads the rest of an open file, from where it stands.
bool ReadRest(std::FILE* file, std::string& out) {
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        out.append(buffer, got);
    }
    return std::ferror(file) == 0;
}

} // namespace

std::variant<std::monostate, FileError> WriteVetFile(const std::string& path,
                                                     const VetCells& cells) {
    errno = 0;
    // Opening for update proves the file may be written (a read-only file is refused) and never
    // creates or truncates anything.
    File file(std::fopen(path.c_str(), "r+b"));
    if (!file && errno != ENOENT) {
        return ErrorFromErrno("Cannot write", path);
    }
    const std::string cellBytes(cells.begin(), cells.end());
    if (!file) {
        // A new file: created whole or not at all.
        const auto error = ReplaceWhole(path, path, cellBytes, NewFileMode());
        return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
    }
    const std::optional<OpenFileFacts> facts = FactsOf(file.get(), path);
    if (!facts || !facts->regular) {
        const auto error = WriteInPlace(file.get(), path, cells);
        return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
    }
    // An older, longer file keeps its tail after the 400 cells.
    std::string content = cellBytes;
    std::string rest;
    if (std::fseek(file.get(), kVetFileBytes, SEEK_SET) == 0 && !ReadRest(file.get(), rest)) {
        return ErrorFromErrno("Cannot read", path);
    }
    content += rest;
    file.reset(); // Windows replaces no file that is open, even by us
    bool noRoomBeside = false;
    auto error = ReplaceWhole(facts->target, path, content, facts->mode, &noRoomBeside);
    if (error && noRoomBeside) {
        // A writable file in a folder we may not add to: in place is the only way left.
        file.reset(std::fopen(path.c_str(), "r+b"));
        error = file ? WriteInPlace(file.get(), path, cells) : ErrorFromErrno("Cannot write", path);
    }
    return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
}
