#include "common/FileNames.h"

std::string FileStamp(const std::tm& local) {
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d_%H.%M.%S", &local);
    return when;
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
