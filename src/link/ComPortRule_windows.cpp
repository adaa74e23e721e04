// On Windows COM N is the system's own COMN, present or not.
#include "link/ComPorts.h"

std::optional<PortRecord> PlatformComPort(int port, const std::vector<PortRecord>& present) {
    if (port < 1 || port > kComPortCount) {
        return std::nullopt;
    }
    const std::string path = "COM" + std::to_string(port);
    for (const PortRecord& record : present) {
        if (record.path == path) {
            return record;
        }
    }
    return PortRecord{path, {}, {}, {}};
}
