// Inputs shared by the benchmarks, and the state every live benchmark starts from.
#pragma once

#include "NullPlatform.h"

#include <string>

inline std::string TableReply() {
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

// Connected, table received, real time on.
inline void StartStreaming(Form3D& form, NullSerial& serial) {
    form.Form_Load();
    form.LetsGo();
    form.SerialQuiet_Timer();
    serial.pending = TableReply();
    form.ProcessSerialInput();
    form.btnRT_Click();
}
