// What each COM item reaches among the serial devices present, and the words for failures.
#include "link/ComPorts.h"

#include <gtest/gtest.h>

namespace {

PortRecord Uart(const char* path) {
    return {path, "", "", ""};
}
PortRecord Adapter(const char* path, const char* byId, const char* description = "") {
    return {path, description, "FTDI", byId};
}

std::vector<std::string> Paths(const std::vector<PortRecord>& present) {
    std::vector<std::string> paths;
    for (int n = 1; n <= kComPortCount; ++n) {
        if (const auto target = ResolveComPort(n, present, "")) {
            paths.push_back(target->path);
        }
    }
    return paths;
}

} // namespace

// The Linux rule (serial ports present, in a stable order); Windows has its own.
TEST(ComPortsPosix, uartsInNumberOrderThenAdaptersByTheirByIdNames) {
    const std::vector<PortRecord> present = {
        Adapter("/dev/ttyUSB0", "usb-FTDI_B"), Uart("/dev/ttyS10"), Adapter("/dev/ttyACM0", ""),
        Uart("/dev/ttyS2"), Adapter("/dev/ttyUSB1", "usb-FTDI_A")};
    EXPECT_EQ(Paths(present), (std::vector<std::string>{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB1",
                                                        "/dev/ttyUSB0", "/dev/ttyACM0"}));
    // Replugged, the kernel swaps the two adapters' names; their COM numbers follow the adapters.
    const std::vector<PortRecord> replugged = {
        Adapter("/dev/ttyUSB1", "usb-FTDI_B"), Adapter("/dev/ttyUSB0", "usb-FTDI_A"),
        Uart("/dev/ttyS2"), Uart("/dev/ttyS10"), Adapter("/dev/ttyACM0", "")};
    EXPECT_EQ(ResolveComPort(3, replugged, "")->byIdName, "usb-FTDI_A");
    EXPECT_EQ(ResolveComPort(4, replugged, "")->byIdName, "usb-FTDI_B");
}

TEST(ComPortsPosix, pastTheEndOrNoneChosenReachesNothingAndTheOverrideAlwaysWins) {
    const std::vector<PortRecord> present = {Adapter("/dev/ttyUSB0", "usb-x", "FT232R USB UART")};
    EXPECT_FALSE(ResolveComPort(2, present, ""));
    EXPECT_FALSE(ResolveComPort(0, present, "/dev/pts/3"));
    EXPECT_FALSE(ResolveComPort(21, present, "/dev/pts/3"));
    EXPECT_EQ(ResolveComPort(2, present, "/dev/pts/3")->path, "/dev/pts/3");
    EXPECT_EQ(ResolveComPort(1, present, "/dev/pts/3")->path, "/dev/pts/3");
    // An override naming a present device still gets its description.
    EXPECT_EQ(ComPortName(5, ResolveComPort(5, present, "/dev/ttyUSB0")),
              "COM 5 (/dev/ttyUSB0, FT232R USB UART)");
}

TEST(ComPortsPosix, tipsAndFailuresSayWhatIsThereAndWhatToDo) {
    const std::vector<PortRecord> present = {Adapter("/dev/ttyUSB0", "usb-x", "FT232R USB UART")};
    const std::pair<std::string, std::string> texts[] = {
        {ComItemTip(1, ResolveComPort(1, present, "")),
         "COM 1: /dev/ttyUSB0, FT232R USB UART (FTDI)"},
        {ComItemTip(3, ResolveComPort(3, present, "")), "COM 3: no serial device"},
        {ComPortName(3, std::nullopt), "COM 3"},
        {NoDeviceText(present), "no serial device (found: COM 1 /dev/ttyUSB0)"},
        {NoDeviceText({}), "no serial device (found: none)"},
        {OpenFailureText(OpenFailure::PermissionDenied, "/dev/ttyUSB0", "Permission denied"),
         "permission denied on /dev/ttyUSB0; add your user to the dialout group: sudo usermod "
         "-aG dialout $USER, then log in again"},
        {OpenFailureText(OpenFailure::Busy, "/dev/ttyUSB0", "Permission denied"),
         "/dev/ttyUSB0 is busy or locked by another program"},
        {OpenFailureText(OpenFailure::NoSuchDevice, "/dev/ttyUSB0", "No such file"),
         "no device at /dev/ttyUSB0"},
        {OpenFailureText(OpenFailure::Other, "/dev/ttyUSB0", "Input/output error"),
         "/dev/ttyUSB0: Input/output error"},
    };
    for (const auto& [text, expected] : texts) {
        EXPECT_EQ(text, expected);
    }
}
