#include "AnalyzeArguments.h"

#include "link/Protocol.h"

#include <array>
#include <cmath>
#include <functional>
#include <string_view>

namespace {

using Setter = std::function<std::optional<std::string>(const std::string&, AnalyzeRequest&)>;

std::optional<std::string> Refused(const std::string& name, const std::string& what) {
    return name + " takes " + what;
}

Setter Text(std::string AnalyzeRequest::*field) {
    return [=](const std::string& value, AnalyzeRequest& request) {
        request.*field = value;
        return std::optional<std::string>();
    };
}

// A number within [low, high], or "off" for a filter that may be turned off.
Setter Filter(std::optional<double> TuneOptions::*field, double low, double high,
              const char* what) {
    return [=](const std::string& value, AnalyzeRequest& request) -> std::optional<std::string> {
        if (value == "off") {
            request.tune.*field = std::nullopt;
            return std::nullopt;
        }
        const auto number = ParseNumber(value);
        if (!number || *number < low || *number > high) {
            return std::string(what) + ", or off";
        }
        request.tune.*field = *number;
        return std::nullopt;
    };
}

std::optional<int> Whole(const std::string& text, int low, int high) {
    const auto number = ParseNumber(text);
    if (!number || *number != std::floor(*number) || *number < low || *number > high) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

// "P,R" or "P,R:P2,R2".
std::optional<CellBlock> BlockOf(const std::string& text) {
    const auto corner = [](std::string_view part) -> std::optional<std::pair<int, int>> {
        const auto fields = SplitFields(part, ',');
        if (fields.size() != 2) {
            return std::nullopt;
        }
        const auto p = Whole(std::string(fields[0]), 0, kLatticeSize - 1);
        const auto r = Whole(std::string(fields[1]), 0, kLatticeSize - 1);
        return p && r ? std::optional(std::pair(*p, *r)) : std::nullopt;
    };
    const auto parts = SplitFields(text, ':');
    if (parts.size() > 2) {
        return std::nullopt;
    }
    const auto first = corner(parts[0]);
    const auto second = parts.size() == 2 ? corner(parts[1]) : first;
    if (!first || !second) {
        return std::nullopt;
    }
    return CellBlock{first->first, first->second, second->first, second->second};
}

struct AnalyzeOption {
    const char* name;
    Setter set; // says what the option takes when it refuses a value
};

const std::array<AnalyzeOption, 14>& Options() {
    static const std::array<AnalyzeOption, 14> options = {{
        {"--table", Text(&AnalyzeRequest::table)},
        {"--cells", Text(&AnalyzeRequest::cells)},
        {"--report", Text(&AnalyzeRequest::report)},
        {"--target", Text(&AnalyzeRequest::target)},
        {"--lag",
         [](const std::string& v, AnalyzeRequest& r) -> std::optional<std::string> {
             const auto ms = ParseNumber(v);
             if (!ms || *ms < 0 || *ms > 5000) {
                 return "milliseconds, 0 to 5000";
             }
             r.tune.lagS = *ms / 1000;
             return std::nullopt;
         }},
        {"--min-temp", Filter(&TuneOptions::minTempF, -40, 300, "degrees F, -40 to 300")},
        {"--transient",
         Filter(&TuneOptions::transientPsiPerS, 0.1, 1000, "PSI per second, 0.1 to 1000")},
        {"--max-afr", Filter(&TuneOptions::maxAfr, 5, 30, "an air/fuel ratio, 5 to 30")},
        {"--min-afr", Filter(&TuneOptions::minAfr, 5, 30, "an air/fuel ratio, 5 to 30")},
        {"--min-rpm", Filter(&TuneOptions::minRpm, 0, 20000, "RPM, 0 to 20000")},
        {"--wideband",
         [](const std::string& v, AnalyzeRequest& r) -> std::optional<std::string> {
             const auto bank = Whole(v, 1, 2);
             if (!bank) {
                 return "1 or 2";
             }
             r.tune.wideband = *bank;
             return std::nullopt;
         }},
        {"--min-hits",
         [](const std::string& v, AnalyzeRequest& r) -> std::optional<std::string> {
             const auto hits = Whole(v, 1, 1000000);
             if (!hits) {
                 return "a whole number of hits, 1 to 1000000";
             }
             r.tune.minHits = *hits;
             return std::nullopt;
         }},
        {"--max-change",
         [](const std::string& v, AnalyzeRequest& r) -> std::optional<std::string> {
             const auto percent = ParseNumber(v);
             if (!percent || *percent <= 0 || *percent > 100) {
                 return "a percentage, more than 0 and at most 100";
             }
             r.tune.maxChangePercent = *percent;
             return std::nullopt;
         }},
        {"--lock",
         [](const std::string& v, AnalyzeRequest& r) -> std::optional<std::string> {
             const auto block = BlockOf(v);
             if (!block) {
                 return "a cell P,R or a rectangle P,R:P2,R2 (indices 0 to 19)";
             }
             r.tune.locks.push_back(*block);
             return std::nullopt;
         }},
    }};
    return options;
}

} // namespace

void DeclareAnalyzeOptions(CLI::App& analyze, AnalyzeRequest& request) {
    for (const AnalyzeOption& option : Options()) {
        const std::string name = option.name;
        // Each time it is given, in order: the last value holds, and --lock adds a block.
        analyze
            .add_option_function<std::vector<std::string>>(
                name,
                [name, set = option.set, &request](const std::vector<std::string>& values) {
                    for (const std::string& value : values) {
                        if (const auto what = set(value, request)) {
                            throw CLI::ValidationError(*Refused(name, *what));
                        }
                    }
                })
            ->allow_extra_args(false); // one value each time: the logs after it stay logs
    }
}

const char* const kAnalyzeOptionsHelp =
    "  --table FILE          the table the logs were recorded against (.csv or .json, with\n"
    "                        breakpoints); or the device's, with --com N or --port PATH\n"
    "  -o FILE               the suggested table (.vet, .csv, .json); default: CSV to stdout\n"
    "  --cells FILE          one row per cell: P, R, hits, mean correction, current,\n"
    "                        suggested, records left out\n"
    "  --report FILE.html    heat maps, the air/fuel over the drive and its error: one page\n"
    "                        to open in a browser, nothing fetched\n"
    "  --target AFR|FILE     the air/fuel target, as tvxsim's (default: 14.2 at idle, 14.7 up\n"
    "                        to atmosphere, falling to 11.8 at 15 PSI of boost)\n"
    "  --lag MS              the wideband's delay behind the operating point (default 150)\n"
    "  --min-temp F          leave out warm-up below F (default 160)\n"
    "  --transient PSI_PER_S leave out MAP changing faster, until 1 s after (default 10)\n"
    "  --max-afr AFR         leave out readings above (default 19.5: fuel cut)\n"
    "  --min-afr AFR         leave out readings below (default 9.5: the rich limit)\n"
    "  --min-rpm RPM         leave out RPM below (default 300)\n"
    "                        (each filter also takes off)\n"
    "  --wideband 1|2        one bank only (default: the mean of AFR1 and AFR2)\n"
    "  --min-hits N          cells with fewer hits keep their value (default 20)\n"
    "  --max-change PERCENT  the most a cell moves in one analysis (default 15)\n"
    "  --lock P,R[:P2,R2]    a cell or rectangle that never changes (repeatable)\n";
