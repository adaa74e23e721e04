// Splitting wire text the way a reader of the device would.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos;) {
        out.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    out.push_back(text.substr(from));
    return out;
}
