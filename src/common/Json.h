// JSON read as every input is: a file nested deeper than its kind can be is refused before any
// value of it is built (a serializer or destructor walking a deep value recurses), and an object
// naming a member twice is refused rather than keeping the last.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <string_view>
#include <variant>

// Called for every parser event after the checks; false drops the value just read (a long list
// can be taken element by element without being built whole).
using JsonEvent =
    std::function<bool(int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed)>;

// `deepest`: how many containers may enclose each other ({"a": [1]} nests 2). Else why not, in
// words that follow the file's name: "it nests deeper than 2", "\"cells\" is given twice".
std::variant<nlohmann::json, std::string> ParseJson(std::string_view text, int deepest,
                                                    const JsonEvent& event = {});
