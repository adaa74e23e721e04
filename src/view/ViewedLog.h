// A recorded drive held whole for looking at: every channel of every record that reads, the
// markers, what was wrong with the log and where, and the table kept beside it.
#pragma once

#include "datalog/DriveTable.h"
#include "datalog/LogChannels.h"

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct ViewedChannel {
    std::string name;
    std::string units;
    std::vector<float> values; // one a record: single precision, as the device reads them
    int digits = -1;           // decimals shown; -1: as many as the value has
};

// A value as the readout shows it: "14.7", or with the channel's decimals.
std::string ValueText(const ViewedChannel& channel, float value);

struct ViewedLog {
    std::string path;
    std::vector<double> timeS; // of each record, from the log's start
    std::vector<ViewedChannel> channels;
    std::vector<LogMarker> markers;
    std::vector<std::string> notes; // what was left out, and where
    std::optional<DriveTable> kept; // the table the drive ran on, with its writes

    std::size_t records() const { return timeS.size(); }
    // The channel of that name, or nothing.
    const ViewedChannel* channel(const std::string& name) const;
};

// Past this many values a log is shown up to where they ran out, and says so: some 12 hours of
// our 12 channels at the line rate, 800 MB of them.
inline constexpr std::size_t kMostViewedValues = 200'000'000;

// Reads a .msl, .csv or .mlg whole; else why not (no channel names, no Time channel, ...). A row
// that does not read, a last one cut short, a table beside it that does not read: said in notes.
std::variant<ViewedLog, std::string> LoadViewedLog(const std::string& path);
// The same from bytes already read, with no table beside.
std::variant<ViewedLog, std::string> ViewedLogOf(std::string_view bytes, LogFormat format,
                                                 const std::string& path,
                                                 std::size_t mostValues = kMostViewedValues);

// The record the log holds at `timeS`: the last at or before it (a datalog's value holds until
// the next record), the first before the log begins; nothing for an empty log.
std::optional<std::size_t> RecordAt(const std::vector<double>& timeS, double at);

// "1:05.250": minutes and seconds from the log's start, to the millisecond.
std::string ClockText(double seconds);
