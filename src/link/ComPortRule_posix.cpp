// Away from Windows, COM N is the N-th serial device present, in a stable order.
#include "link/ComPorts.h"

std::optional<PortRecord> PlatformComPort(int port, const std::vector<PortRecord>& present) {
    const std::vector<PortRecord> ordered = ComOrder(present);
    if (port < 1 || port > static_cast<int>(ordered.size()) || port > kComPortCount) {
        return std::nullopt;
    }
    return ordered[static_cast<std::size_t>(port - 1)];
}
