#include "common/Json.h"

#include <set>
#include <vector>

namespace {

// Thrown from within the parser: it stops at once, with nothing deeper built.
struct Refused {
    std::string why;
};

// The library's own words, without its exception's tag: "parse error at line 1, column 5: ...".
std::string ParseErrorText(const nlohmann::json::exception& error) {
    const std::string what = error.what();
    const std::size_t tag = what.find("] ");
    return tag == std::string::npos ? what : what.substr(tag + 2);
}

} // namespace

std::variant<nlohmann::json, std::string> ParseJson(std::string_view text, int deepest,
                                                    const JsonEvent& event) {
    using Event = nlohmann::json::parse_event_t;
    std::vector<std::set<std::string>> names; // of each object open now
    const auto check = [&](int depth, Event e, nlohmann::json& parsed) {
        if (e == Event::object_start || e == Event::array_start) {
            if (depth + 1 > deepest) {
                throw Refused{"it nests deeper than " + std::to_string(deepest)};
            }
            if (e == Event::object_start) {
                names.emplace_back();
            }
        } else if (e == Event::object_end) {
            names.pop_back();
        } else if (e == Event::key) {
            const std::string& name = parsed.get_ref<const std::string&>();
            if (!names.back().insert(name).second) {
                throw Refused{"\"" + name + "\" is given twice"};
            }
        }
        return !event || event(depth, e, parsed);
    };
    try {
        return nlohmann::json::parse(text, check);
    } catch (const Refused& refused) {
        return refused.why;
    } catch (const nlohmann::json::exception& error) { // syntax, or a number beyond a double
        return ParseErrorText(error);
    }
}
