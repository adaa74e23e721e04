// On Windows COM N is the system's COMN, present or not; the words name only those present.
#include "link/ComPorts.h"

#include <gtest/gtest.h>

TEST(ComPortRuleWindows, comNIsCOMNAndOnlyThePresentAreListed) {
    // As Qt lists them: by device name.
    const std::vector<PortRecord> present = {{"\\\\.\\COM3", "USB Serial Port", "FTDI", ""}};
    EXPECT_EQ(ComItemTip(3, ResolveComPort(3, present, "")),
              "COM 3: \\\\.\\COM3, USB Serial Port (FTDI)");
    EXPECT_EQ(ResolveComPort(5, present, "")->path, "COM5"); // perhaps not listed, yet there
    EXPECT_FALSE(ResolveComPort(21, present, ""));
    EXPECT_EQ(ResolveComPort(5, present, "\\\\.\\COM12")->path, "\\\\.\\COM12");
    EXPECT_EQ(NoDeviceText(present), "no serial device (found: COM 3 \\\\.\\COM3)");
    EXPECT_EQ(NoDeviceText({}), "no serial device (found: none)");
}
