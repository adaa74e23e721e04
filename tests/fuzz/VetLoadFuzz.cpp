// Loading a .vet file of any bytes and any length, then saving the table back over it.
// Input: one byte of settings (bit 0 release 1.2, bit 1 connected first, the rest how many cell
// writes the port accepts), then the file's bytes.
#include "Fakes.h"
#include "FuzzCheck.h"
#include "link/Protocol.h"
#include "table/VetFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = ScratchFile("tvx-fuzz-vet");
    if (size == 0) {
        return 0;
    }
    const std::uint8_t settings = data[0];
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    WriteFile(path, file);

    const bool v12 = (settings & 1) != 0;
    CoreHarness h(v12 ? Release::V12 : Release::V17);
    if ((settings & 2) != 0) {
        h.Connect();
    }
    for (int k = 0; k < kTableSize; ++k) {
        h.form.veTable[k] = static_cast<std::int16_t>(1000 + k); // no file byte can be this
    }
    const VeTable before = h.form.veTable;
    const int accepted = (settings >> 2) < 48 ? (settings >> 2) * 9 : -1;
    h.serial.failTransmitAfter = accepted;
    h.serial.log.clear();
    h.form.LoadAndSendTable(path);
    const std::vector<std::string> sent = h.serial.sent();

    if (file.size() < kVetFileBytes) { // refused whole
        FUZZ_REQUIRE(h.form.veTable == before && sent.empty());
    } else {
        // Byte k is cell k, in the table and on the line, in order; the breakpoints stay.
        FUZZ_REQUIRE(v12 ? sent.empty() : accepted >= 0 || sent.size() == kCellCount);
        const std::size_t loaded = v12 ? kCellCount : sent.size();
        for (std::size_t k = 0; k < loaded; ++k) {
            const auto value = static_cast<std::uint8_t>(file[k]);
            FUZZ_REQUIRE(h.form.veTable[k] == value &&
                         (v12 || sent[k] == CellWriteMessage(static_cast<int>(k), value)));
        }
        FUZZ_REQUIRE(std::equal(before.begin() + kCellCount, before.end(),
                                h.form.veTable.begin() + kCellCount));
    }
    // Saving what was loaded whole over the file leaves it byte for byte as it was.
    if (file.size() >= kVetFileBytes && (v12 || sent.size() == kCellCount)) {
        h.form.SaveVE(path);
        std::ifstream in(path, std::ios::binary);
        FUZZ_REQUIRE(std::string(std::istreambuf_iterator<char>(in), {}) == file);
    }
    std::remove(path.c_str()); // libFuzzer may end the process without running atexit
    return 0;
}
