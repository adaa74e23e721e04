#include "AnalyzeArguments.h"

#include "CheckedOption.h"
#include "link/Protocol.h"
#include "tune/TuneOptionTexts.h"

#include <array>
#include <cmath>
#include <functional>
#include <string_view>

namespace {

using Take = std::function<bool(const std::string&, AnalyzeRequest&)>;

Take Text(std::string AnalyzeRequest::*field) {
    return [=](const std::string& value, AnalyzeRequest& request) {
        request.*field = value;
        return true;
    };
}

std::optional<int> Whole(std::string_view text) {
    const auto number = ParseNumber(std::string(text));
    if (!number || *number != std::floor(*number) || *number < 0 || *number > kLatticeSize - 1) {
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
        const auto p = Whole(fields[0]);
        const auto r = Whole(fields[1]);
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
    const char* what; // what the option takes, said when it refuses a value
    Take take;
};

// Where the table comes from and what is written; the tuning's own options are the core's.
const std::array<AnalyzeOption, 5>& Options() {
    static const std::array<AnalyzeOption, 5> options = {{
        {"--table", "", Text(&AnalyzeRequest::table)},
        {"--cells", "", Text(&AnalyzeRequest::cells)},
        {"--report", "", Text(&AnalyzeRequest::report)},
        {"--target", "", Text(&AnalyzeRequest::target)},
        {"--lock", "a cell P,R or a rectangle P,R:P2,R2 (indices 0 to 19)",
         [](const std::string& v, AnalyzeRequest& r) {
             const auto block = BlockOf(v);
             return block && (r.tune.locks.push_back(*block), true);
         }},
    }};
    return options;
}

} // namespace

void DeclareAnalyzeOptions(CLI::App& analyze, AnalyzeRequest& request) {
    for (const AnalyzeOption& option : Options()) {
        // --lock adds a block each time it is given
        CheckedOption(analyze, option.name, option.what,
                      [take = option.take, &request](const std::string& value) {
                          return take(value, request);
                      });
    }
    for (const TuneOptionText& option : TuneOptionTexts()) {
        const bool lag = std::string_view(option.name) == "--lag";
        CheckedOption(analyze, option.name, option.what,
                      [take = option.take, lag, &request](const std::string& value) {
                          if (lag) {
                              request.lag = value;
                          }
                          return take(value, request.tune);
                      });
    }
}

const char* const kAnalyzeOptionsHelp =
    "  --table FILE          the table to suggest against (.csv or .json, with breakpoints),\n"
    "                        and that logs without a kept table were recorded against; or the\n"
    "                        device's, with --com N or --port PATH. Without either, the\n"
    "                        tables kept beside the logs (drive.table.json) serve, the newest\n"
    "                        as the base\n"
    "  -o FILE               the suggested table (.vet, .csv, .json); default: CSV to stdout\n"
    "  --cells FILE          one row per cell: P, R, hits, air/fuel error, current, solved\n"
    "                        and suggested VE, change and uncertainty (percent), outcome,\n"
    "                        records left out by reason\n"
    "  --report FILE.html    heat maps, the air/fuel over the drive and its error: one page\n"
    "                        to open in a browser, nothing fetched\n"
    "  --target AFR|FILE     the air/fuel target, as tvxsim's (default: 14.2 at idle, 14.7 up\n"
    "                        to atmosphere, falling to 11.8 at 15 PSI of boost)\n"
    "  --lag auto|MS[,FLOW_MS]\n"
    "                        the wideband's transport delay, as tvxsim's --wideband-lag (the\n"
    "                        sensor's 60 ms response is added): MS, and FLOW_MS more at 1000\n"
    "                        RPM and atmosphere, growing as the exhaust's flow falls. auto (the\n"
    "                        default) finds both from the drives: the delay under which the\n"
    "                        records scatter least within their cells, 0 to 2000 ms each,\n"
    "                        as a lag may be given; a\n"
    "                        drive with too little movement keeps a delay found earlier (kept\n"
    "                        with the drive) or 150 ms, and says so\n"
    "  --min-temp F          leave out warm-up below F (default 160)\n"
    "  --transient PSI_PER_S leave out MAP changing faster, until 1 s after (default 10)\n"
    "  --max-afr AFR         leave out readings at or above (default 19.5: fuel cut)\n"
    "  --min-afr AFR         leave out readings at or below (default 9.5: the rich limit)\n"
    "  --after-cut MS        and the readings for MS after either, while the sensor\n"
    "                        recovers (default 600)\n"
    "  --min-rpm RPM         leave out RPM below (default 300)\n"
    "                        (each filter also takes off)\n"
    "  --wideband 1|2|both   one bank only (default both: the mean of AFR1 and AFR2)\n"
    "  --min-hits N          cells with fewer hits keep their value (default 20)\n"
    "  --max-change PERCENT  the most a cell moves in one analysis (default 15)\n"
    "  --deadband PERCENT    a cell changes only by more than this and more than twice its\n"
    "                        uncertainty (default 1)\n"
    "  --lock P,R[:P2,R2]    a cell or rectangle that never changes (repeatable)\n";
