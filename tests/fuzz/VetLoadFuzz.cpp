// Loading a .vet file of any bytes and any length, then saving the table back over it.
// Input: one byte of settings (bit 0 release 1.2, bit 1 connected first, the rest how many cell
// writes the port accepts), then the file's bytes.
#include "FuzzPlatform.h"
#include "table/VetFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>

namespace {

const std::string& VetPath() {
    static const std::string path = fuzz::ScratchFile("tvx-fuzz-vet");
    return path;
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    FUZZ_REQUIRE(f != nullptr, path);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        bytes.append(buffer, n);
    }
    std::fclose(f);
    return bytes;
}

struct RecordingSerial : fuzz::Serial {
    bool transmit(const std::string& text) override {
        const bool ok = fuzz::Serial::transmit(text);
        if (ok) {
            sent.push_back(text);
        }
        return ok;
    }
    std::vector<std::string> sent;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t settings = data[0];
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string& path = VetPath();
    fuzz::WriteFile(path, file);

    const auto read = ReadVetFile(path);
    if (file.size() < kVetFileBytes) {
        const auto* error = std::get_if<FileError>(&read);
        FUZZ_REQUIRE(error && error->reason.find(path) != std::string::npos, "short file taken");
    } else {
        const auto* cells = std::get_if<VetCells>(&read);
        FUZZ_REQUIRE(cells && std::memcmp(cells->data(), file.data(), cells->size()) == 0,
                     "cells are not the file's first bytes");
    }

    const Release release = (settings & 1) != 0 ? Release::V12 : Release::V17;
    fuzz::Rig rig;
    RecordingSerial serial;
    Platform platform = rig.platform();
    Form3D form(release,
                Platform{serial, platform.grid, platform.canvas, platform.marker, platform.boxes,
                         platform.dialogs, platform.status, platform.timer});
    form.Form_Load();
    if ((settings & 2) != 0) {
        form.LetsGo();
    }
    for (int k = 0; k < kTableSize; ++k) {
        form.veTable[k] = static_cast<std::int16_t>(1000 + k); // no file byte can be this
    }
    const VeTable before = form.veTable;
    const std::int16_t awaiting = form.awaitingTable;
    const int budget = (settings >> 2) < 48 ? (settings >> 2) * 9 : -1;
    serial.transmitBudget = budget;
    serial.sent.clear();

    form.LoadAndSendTable(path);
    fuzz::CheckState(form);

    VeTable expected = before;
    std::size_t sends = 0;
    if (file.size() >= kVetFileBytes) {
        const bool v17 = release == Release::V17;
        const int last = !v17 || budget < 0 ? kCellCount - 1 : std::min(budget, kCellCount - 1);
        for (int k = 0; k <= last; ++k) {
            expected[k] = static_cast<unsigned char>(file[k]);
        }
        sends = v17 ? static_cast<std::size_t>(budget < 0 ? kCellCount : std::min(budget, 400)) : 0;
    }
    FUZZ_REQUIRE(form.veTable == expected, "load changed the wrong cells");
    FUZZ_REQUIRE(serial.sent.size() == sends, std::to_string(serial.sent.size()));
    for (std::size_t k = 0; k < serial.sent.size(); ++k) {
        FUZZ_REQUIRE(serial.sent[k] == CellWriteMessage(static_cast<int>(k), expected[k]),
                     serial.sent[k]);
    }
    const bool whole = sends == kCellCount;
    FUZZ_REQUIRE(form.awaitingTable == (whole ? 0 : awaiting), "download flag");

    // Saving the loaded cells over the file leaves it byte for byte as it was.
    if (file.size() >= kVetFileBytes && (release == Release::V12 || whole)) {
        form.SaveVE(path);
        FUZZ_REQUIRE(ReadFile(path) == file, "save changed a file it had just loaded");
    }
    std::remove(path.c_str()); // libFuzzer may end the process without running atexit
    return 0;
}
