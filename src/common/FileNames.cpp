#include "common/FileNames.h"

std::string FileStamp(const std::tm& local) {
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d_%H.%M.%S", &local);
    return when;
}

namespace {

// FileStamp's shape: '0' stands for any digit.
constexpr std::string_view kStampShape = "0000-00-00_00.00.00";
static_assert(kStampShape.size() == kFileStampLength);

int NumberAt(std::string_view stamp, std::size_t at, std::size_t digits) {
    int value = 0;
    for (char c : stamp.substr(at, digits)) {
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<std::chrono::local_seconds> StampTime(std::string_view stamp) {
    using namespace std::chrono;
    if (stamp.size() != kStampShape.size()) {
        return std::nullopt;
    }
    for (std::size_t k = 0; k < stamp.size(); ++k) {
        const bool digit = stamp[k] >= '0' && stamp[k] <= '9';
        if (kStampShape[k] == '0' ? !digit : stamp[k] != kStampShape[k]) {
            return std::nullopt;
        }
    }
    const year_month_day date{year{NumberAt(stamp, 0, 4)},
                              month{static_cast<unsigned>(NumberAt(stamp, 5, 2))},
                              day{static_cast<unsigned>(NumberAt(stamp, 8, 2))}};
    const hours h{NumberAt(stamp, 11, 2)};
    const minutes m{NumberAt(stamp, 14, 2)};
    const seconds s{NumberAt(stamp, 17, 2)};
    if (!date.ok() || h > hours{23} || m > minutes{59} || s > seconds{59}) {
        return std::nullopt;
    }
    return local_days{date} + h + m + s;
}

std::chrono::local_seconds LocalSeconds(const std::tm& local) {
    using namespace std::chrono;
    const year_month_day date{year{local.tm_year + 1900},
                              month{static_cast<unsigned>(local.tm_mon + 1)},
                              day{static_cast<unsigned>(local.tm_mday)}};
    return local_days{date} + hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    return *std::localtime(&now); // the window's thread and tvxctl only: nothing races it
}

std::string UnusedPath(const std::string& stem, const std::string& extension,
                       const std::function<bool(const std::string&)>& taken) {
    std::string path = stem + extension;
    for (int n = 2; taken(path); ++n) {
        path = stem + "_" + std::to_string(n) + extension;
    }
    return path;
}
