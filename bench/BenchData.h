// Inputs shared by the benchmarks, the state every live benchmark starts from, and the emptying
// of the stand-ins' call logs.
#pragma once

#include "Fakes.h"

#include <cstdint>
#include <string>

inline std::string BenchReply() {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += std::to_string(30 + (i % 20) * 4 + (i / 20) * 2) + ",";
    }
    for (int k = 0; k < 20; ++k) {
        text += std::to_string(5 * (k + 1)) + ",";
    }
    for (int k = 0; k < 20; ++k) {
        text += std::to_string(5 + 2 * k) + ",";
    }
    return text + "1\r\n";
}

// Two records whose operating points differ, so every step moves the red mark.
inline const std::string kRecords[2] = {"255,14.7,2250,180,14.7,2.5,14.9,",
                                        "255,22.3,4100,185,12.9,3.7,13.1,"};

// Connected, table received, real time on; Form_Load has run.
inline void StartStreaming(Form3D& form, FakeSerialPort& serial) {
    form.LetsGo();
    form.SerialQuiet_Timer(); // the line fell quiet: the table is asked for
    serial.pending = BenchReply();
    form.ProcessSerialInput();
    form.btnRT_Click();
}

// The stand-ins record every call; the benchmarks empty the records every kClearEvery steps,
// outside the timed region, so memory stays flat over millions of steps. Cleared vectors keep
// their capacity, so the steps in between do not reallocate either.
inline constexpr std::int64_t kClearEvery = 64;

inline void ClearLogs(FakeSerialPort& serial, FakeStatus& status) {
    serial.log.clear();
    status.lines.clear();
}

inline void ClearLogs(CoreHarness& h) {
    ClearLogs(h.serial, h.status);
    h.grid.paintLog.clear();
    h.canvas.ops.clear();
    h.canvas.frames.clear();
    h.marker.moves.clear();
    h.marker.shapes.clear();
    h.marker.circles.clear();
    h.dialogs.openRequests.clear();
    h.dialogs.saveRequests.clear();
}
