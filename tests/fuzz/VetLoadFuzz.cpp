// Loading a .vet file of any bytes and any length. Input: one byte of settings (bit 0 release
// 1.2, bit 1 connected first, the rest how many cell writes the port accepts), the file's bytes.
#include "Fakes.h"
#include "FuzzCheck.h"
#include "link/Protocol.h"
#include "table/VetFile.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t settings = data[0];
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    WriteFile(scratchFile, file);

    const bool v12 = (settings & 1) != 0;
    CoreHarness h(v12 ? Release::V12 : Release::V17);
    if ((settings & 2) != 0) {
        h.Connect();
    }
    const VeTable before = h.form.veTable;
    const int accepted = (settings >> 2) < 48 ? (settings >> 2) * 9 : -1;
    h.serial.failTransmitAfter = accepted;
    h.serial.log.clear();
    h.form.LoadAndSendTable(scratchFile);
    const std::vector<std::string> sent = h.serial.sent();

    if (file.size() < kVetFileBytes) { // refused whole
        FUZZ_REQUIRE(h.form.veTable == before && sent.empty());
    } else {
        // Byte k is cell k, in the table and on the line, in order; all of them if all are sent.
        FUZZ_REQUIRE(v12 ? sent.empty() : accepted >= 0 || sent.size() == kCellCount);
        const std::size_t loaded = v12 ? kCellCount : sent.size();
        for (std::size_t k = 0; k < loaded; ++k) {
            const auto value = static_cast<std::uint8_t>(file[k]);
            FUZZ_REQUIRE(h.form.veTable[k] == value &&
                         (v12 || sent[k] == CellWriteMessage(static_cast<int>(k), value)));
        }
    }
    std::remove(scratchFile.c_str()); // libFuzzer may end the process without running atexit
    return 0;
}
