// Which device each of the twenty COM items reaches, and how messages name it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kComPortCount = 20;

// A serial device present on this computer.
struct PortRecord {
    std::string path;         // "/dev/ttyUSB0", "COM3"
    std::string description;  // "FT232R USB UART"
    std::string manufacturer; // "FTDI"
    std::string byIdName;     // its /dev/serial/by-id name; empty for a hardware UART
};

// Hardware UARTs in name order (ttyS2 before ttyS10), then USB and ACM adapters by their by-id
// names, so the same set of adapters gets the same numbers after a replug.
std::vector<PortRecord> ComOrder(std::vector<PortRecord> present);

// What COM `port` reaches: the device named by `override` (TVX_COM<N>) when it is not empty,
// otherwise the platform's rule on the ports present. Nothing for 0 or a number past the end.
std::optional<PortRecord> ResolveComPort(int port, const std::vector<PortRecord>& present,
                                         std::string_view override);

// The platform's own rule: COM<N> on Windows, the N-th of ComOrder elsewhere.
std::optional<PortRecord> PlatformComPort(int port, const std::vector<PortRecord>& present);

// "COM 1 (/dev/ttyUSB0, FT232R USB UART)", or "COM 3" when it reaches nothing.
std::string ComPortName(int port, const std::optional<PortRecord>& target);

// A COM item's status tip: "COM 1: /dev/ttyUSB0, FT232R USB UART (FTDI)", "COM 3: no serial
// device".
std::string ComItemTip(int port, const std::optional<PortRecord>& target);

// Why a COM number reaches nothing: "no serial device (found: COM 1 /dev/ttyUSB0)".
std::string NoDeviceText(const std::vector<PortRecord>& present);

enum class OpenFailure { PermissionDenied, Busy, NoSuchDevice, Other };

// What to tell the user when `path` would not open, and what to do about it.
std::string OpenFailureText(OpenFailure failure, const std::string& path,
                            const std::string& systemText);
