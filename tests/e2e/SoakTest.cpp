// Soak: tvxsim streams at the line rate while keys are pressed and the table saved and loaded;
// memory stays flat and pending input bounded. TVX_SOAK_SECONDS sets the length.
#include "E2e.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

} // namespace

TEST(Soak, streamingWithKeysLoadsAndSavesStaysFlat) {
    const int seconds = std::max(4, qEnvironmentVariableIntValue("TVX_SOAK_SECONDS"));
    // 115200 baud, 8N1: 11,520 bytes a second, about 360 records of 32 characters.
    TvxSim sim({"--rate", "360", "--terminator", "crlf"});
    Connected c(sim);
    ASSERT_TRUE(c.connect()) << c.status();
    c.form.btnRT_Click();
    const std::int16_t keys[] = {key::kLeft, key::kRight, key::kUp, key::kDown, key::kEquals};
    const std::int16_t shifts[] = {0, 0, key::kShift, key::kCtrl};
    std::vector<long> resident;
    std::size_t maxPending = 0;
    QElapsedTimer clock;
    clock.start();
    for (int second = 1; second <= seconds; ++second) {
        for (int i = 0; clock.elapsed() < second * 1000LL; ++i) {
            WaitFor([] { return false; }, 10);
            c.form.Form_KeyDown(keys[i % 5], shifts[i % 4]);
            maxPending = std::max(maxPending, c.form.framer().pendingSize());
        }
        if (second % 3 == 0) {
            c.form.SaveVE(sim.file("soak.vet"));
            c.form.LoadAndSendTable(sim.file("soak.vet"));
        }
        resident.push_back(ResidentKb());
    }
    c.form.btnCMDOFF_Click();
    // After a warm-up of a quarter of the run, resident memory stays within 2 MB.
    const auto [low, high] = std::minmax_element(resident.begin() + seconds / 4, resident.end());
    std::printf("soak: %d s, resident %ld..%ld kB after warm-up, pending at most %zu bytes\n",
                seconds, *low, *high, maxPending);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's quarantine holds freed memory on purpose
    EXPECT_LE(*high - *low, 2048);
#endif
    EXPECT_LE(maxPending, InputFramer::kMaxPending);
    EXPECT_TRUE(c.window.boxText(TextBox::Rpm).endsWith(" RPM"));
}
