#include "link/ComPorts.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace {

bool IsAdapter(const PortRecord& port) {
    const std::string_view path = port.path;
    return !port.byIdName.empty() || path.find("ttyUSB") != std::string_view::npos ||
           path.find("ttyACM") != std::string_view::npos;
}

// "/dev/ttyS10" as ("/dev/ttyS", 10), so names sort by their number.
std::tuple<std::string_view, long, std::string_view> NameKey(std::string_view path) {
    std::size_t digits = path.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1]))) {
        --digits;
    }
    const std::string_view number = path.substr(digits);
    const long value = number.empty() || number.size() > 9 ? -1 : std::stol(std::string(number));
    return {path.substr(0, digits), value, path};
}

std::string Details(const PortRecord& port) {
    std::string text = port.path;
    if (!port.description.empty()) {
        text += ", " + port.description;
    }
    return text;
}

} // namespace

std::vector<PortRecord> ComOrder(std::vector<PortRecord> present) {
    std::stable_sort(present.begin(), present.end(), [](const PortRecord& a, const PortRecord& b) {
        if (IsAdapter(a) != IsAdapter(b)) {
            return !IsAdapter(a);
        }
        if (!IsAdapter(a)) {
            return NameKey(a.path) < NameKey(b.path);
        }
        // Adapters with a by-id name first; its name is what stays the same across a replug.
        return std::tuple(a.byIdName.empty(), a.byIdName, NameKey(a.path)) <
               std::tuple(b.byIdName.empty(), b.byIdName, NameKey(b.path));
    });
    return present;
}

std::optional<PortRecord> ResolveComPort(int port, const std::vector<PortRecord>& present,
                                         std::string_view override) {
    if (port < 1 || port > kComPortCount) {
        return std::nullopt;
    }
    if (!override.empty()) {
        for (const PortRecord& record : present) {
            if (record.path == override) {
                return record;
            }
        }
        return PortRecord{std::string(override), {}, {}, {}};
    }
    return PlatformComPort(port, present);
}

std::string ComPortName(int port, const std::optional<PortRecord>& target) {
    const std::string name = "COM " + std::to_string(port);
    return target ? name + " (" + Details(*target) + ")" : name;
}

std::string ComItemTip(int port, const std::optional<PortRecord>& target) {
    const std::string name = "COM " + std::to_string(port) + ": ";
    if (!target) {
        return name + "no serial device";
    }
    return name + Details(*target) +
           (target->manufacturer.empty() ? "" : " (" + target->manufacturer + ")");
}

std::string NoDeviceText(const std::vector<PortRecord>& present) {
    std::string found;
    const auto isPresent = [&present](const std::string& path) {
        return std::any_of(present.begin(), present.end(),
                           [&path](const PortRecord& p) { return p.path == path; });
    };
    for (int n = 1; n <= kComPortCount; ++n) {
        // Windows names every COM N whether a device is there or not: only those present count.
        if (const auto target = PlatformComPort(n, present); target && isPresent(target->path)) {
            found +=
                (found.empty() ? "" : ", ") + ("COM " + std::to_string(n)) + " " + target->path;
        }
    }
    return "no serial device (found: " + (found.empty() ? "none" : found) + ")";
}

std::string OpenFailureText(OpenFailure failure, const std::string& path,
                            const std::string& systemText) {
    switch (failure) {
    case OpenFailure::PermissionDenied:
        return "permission denied on " + path +
               "; add your user to the dialout group: sudo usermod -aG dialout $USER, then log "
               "in again";
    case OpenFailure::Busy:
        return path + " is busy or locked by another program";
    case OpenFailure::NoSuchDevice:
        return "no device at " + path;
    case OpenFailure::Other:
        break;
    }
    return path + ": " + systemText;
}
