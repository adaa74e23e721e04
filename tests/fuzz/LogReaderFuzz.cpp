// Reading a datalog of any bytes. Input: one byte whose low bit picks the layout ('0' .msl,
// '1' .csv), then the log's text.
#include "FuzzCheck.h"
#include "datalog/LogReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const LogFormat format = (data[0] & 1) != 0 ? LogFormat::Csv : LogFormat::Msl;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto read = ReadLog(text, format);
    const auto* samples = std::get_if<std::vector<LogSample>>(&read);
    if (samples == nullptr) {
        return 0;
    }
    // Each sample is a row of its own, below the names (a .msl's units line may be missing).
    const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
    FUZZ_REQUIRE(static_cast<long>(samples->size()) <= lines - 1);
    for (const LogSample& sample : *samples) {
        FUZZ_REQUIRE(std::isfinite(sample.timeS));
        for (const double value : sample.fields) {
            FUZZ_REQUIRE(std::isfinite(value));
        }
    }
    return 0;
}
