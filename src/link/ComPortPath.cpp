#include "link/ComPortPath.h"

#include <cstdlib>

std::string ComPortPath(int port) {
    if (port < 1 || port > 20) {
        return {};
    }
    const std::string variable = "TVX_COM" + std::to_string(port);
    if (const char* override = std::getenv(variable.c_str()); override && *override) {
        return override;
    }
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

std::string ComPortName(int port) {
    const std::string path = ComPortPath(port);
    return "COM " + std::to_string(port) + (path.empty() ? "" : " (" + path + ")");
}
