// Soak: the device streams at the line rate while keys are pressed and tables are saved and
// loaded. Memory must stay flat and pending input bounded. TVX_SOAK_SECONDS sets the length
// (scripts/soak.sh runs ten minutes).
#include "SimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

long ResidentKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (QByteArray line; !(line = status.readLine()).isEmpty();) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return 0;
}

} // namespace

TEST(Soak, streamingWithKeysLoadsAndSavesStaysFlat) {
    const int seconds = qEnvironmentVariableIsSet("TVX_SOAK_SECONDS")
                            ? qEnvironmentVariableIntValue("TVX_SOAK_SECONDS")
                            : 20;
    // 115200 baud, 8N1: 11,520 bytes a second, about 360 records of 32 characters.
    SimProcess sim({"--rate", "360", "--terminator", "crlf"});
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload());
    c.form.btnRT_Click();
    const std::string table = sim.file("soak.vet").toStdString();

    const std::pair<std::int16_t, std::int16_t> keys[] = {
        {key::kLeft, 0},           {key::kRight, 0},          {key::kUp, 0},
        {key::kDown, 0},           {key::kEquals, 0},         {key::kMinus, 0},
        {key::kLeft, key::kCtrl},  {key::kRight, key::kCtrl}, {key::kDown, key::kShift},
        {key::kRight, key::kShift}};
    std::vector<long> resident;
    std::size_t maxPending = 0;
    int presses = 0;
    int saves = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 nextSample = 0;
    qint64 nextFile = 1500;
    while (clock.elapsed() < seconds * 1000LL) {
        Pump(10);
        const auto& [code, shift] = keys[QRandomGenerator::global()->bounded(10)];
        c.form.Form_KeyDown(code, shift);
        ++presses;
        maxPending = std::max(maxPending, c.form.framer().pendingSize());
        if (clock.elapsed() >= nextFile) {
            c.form.SaveVE(table);
            c.form.LoadAndSendTable(table);
            ++saves;
            nextFile += 3000;
        }
        if (clock.elapsed() >= nextSample) {
            resident.push_back(ResidentKb());
            nextSample += 1000;
        }
    }
    c.form.btnCMDOFF_Click();

    ASSERT_GE(resident.size(), 4u);
    // After a warm-up of a quarter of the run, resident memory stays within 2 MB.
    const auto warm = resident.begin() + static_cast<long>(resident.size() / 4);
    const auto [low, high] = std::minmax_element(warm, resident.end());
    std::printf("soak: %d s, %d keys, %d save+load, resident %ld..%ld kB after warm-up "
                "(%ld kB at start), pending at most %zu bytes, %llu records skipped\n",
                seconds, presses, saves, *low, *high, resident.front(), maxPending,
                static_cast<unsigned long long>(c.form.framer().skippedRecords()));
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's quarantine holds freed memory on purpose
    EXPECT_LE(*high - *low, 2048);
#endif
    EXPECT_LE(maxPending, InputFramer::kMaxPending);
    EXPECT_TRUE(c.window.boxText(TextBox::Rpm).endsWith(" RPM"));
}
