// Intake types: the texts the window shows for them, and which one reports airflow in hertz.
#pragma once

#include "common/Release.h"

inline constexpr const char* kSingleIntakeText = "Single POP";
inline constexpr const char* kDualIntakeText = "Dual POP";
inline constexpr const char* kKvIntakeChosenText = "3KGTKV";    // chosen from the menu
inline constexpr const char* kKvIntakeReportedText = "KV FREQ"; // reported by the device

// The intake types a release has: 1 to this.
constexpr int IntakeTypesOf(Release release) {
    return release == Release::V17 ? 3 : 2;
}

// Only release 1.7 knows the frequency-output meter, type 3.
constexpr bool AirflowInHertz(int intakeType, Release release) {
    return intakeType == 3 && release == Release::V17;
}

// The text for a type the device reported; nullptr for one the release does not know.
constexpr const char* ReportedIntakeText(int intakeType, Release release) {
    if (intakeType == 1) {
        return kSingleIntakeText;
    }
    if (intakeType == 2) {
        return kDualIntakeText;
    }
    return AirflowInHertz(intakeType, release) ? kKvIntakeReportedText : nullptr;
}
