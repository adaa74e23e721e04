// A file name's extension, as files are told apart by it here.
#pragma once

#include <string>
#include <string_view>

// The letters after the name's last dot, in lower case; empty when the last part of the path
// has no dot.
inline std::string LowerCaseExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
        return {};
    }
    std::string extension(path.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}
