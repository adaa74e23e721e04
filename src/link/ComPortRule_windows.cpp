// On Windows COM N is the system's own COMN, present or not.
#include "link/ComPorts.h"

#include <string_view>

std::optional<PortRecord> PlatformComPort(int port, const std::vector<PortRecord>& present) {
    if (port < 1 || port > kComPortCount) {
        return std::nullopt;
    }
    const std::string path = "COM" + std::to_string(port);
    for (const PortRecord& record : present) {
        // Qt lists a port by its device name, "\\.\COM3"; the number is what counts.
        const std::string_view name = record.path;
        if (name == path || name == "\\\\.\\" + path) {
            return record;
        }
    }
    return PortRecord{path, {}, {}, {}};
}
