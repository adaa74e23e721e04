// The lines of a text input, read in pieces, so memory stays the same whatever its length. What
// no text file holds is refused as what it is: a NUL byte, UTF-16, a line beyond any log's.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TextLines {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    // Fills `into` with up to `room` bytes and says how many; 0 at the end. A failed read sets
    // `failed` and returns what it has.
    using Source = std::function<std::size_t(char* into, std::size_t room, bool& failed)>;

    explicit TextLines(Source source);
    static TextLines Of(std::string_view text); // the text must outlive the lines
    static TextLines Of(std::FILE* file);       // read from where it stands; not closed

    // The next line without its line end ("\n" or "\r\n"), valid until the next call; nothing at
    // the end or on a fault. `terminated` says whether it had its line end. A UTF-8 byte-order
    // mark before the first line is skipped.
    std::optional<std::string_view> next(bool& terminated);

    // The number of the line `next` returned last, from 1.
    std::size_t number() const { return number_; }
    // Why the lines ended early: "line 7 is longer than 64 KiB", "line 2 holds a NUL byte, ...".
    const std::optional<std::string>& fault() const { return fault_; }

private:
    bool fill();
    bool checkStart();

    Source source_;
    std::string buffer_;
    std::size_t at_ = 0; // where the next line begins in buffer_
    bool ended_ = false;
    bool started_ = false;
    std::size_t number_ = 0;
    std::optional<std::string> fault_;
};
