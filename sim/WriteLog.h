// The engine and its drive run as fast as the machine allows, recorded as the window would have
// recorded them: each record as the device sends it, read back as the window reads it, its point
// found and its row written by the window's own recorder, with the table kept beside the log.
#pragma once

#include "DeviceTable.h"
#include "Options.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tvxsim {

// Nothing when the log and its table were written; else why not.
std::optional<std::string> WriteDriveLog(const Options& options, const DeviceTable& table,
                                         std::uint64_t seed);

} // namespace tvxsim
