#include "common/TextLines.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

} // namespace

TextLines::TextLines(Source source) : source_(std::move(source)) {}

TextLines TextLines::Of(std::string_view text) {
    return TextLines([text](char* into, std::size_t room, bool&) mutable {
        const std::size_t n = std::min(room, text.size());
        std::copy_n(text.data(), n, into);
        text.remove_prefix(n);
        return n;
    });
}

TextLines TextLines::Of(std::FILE* file) {
    return TextLines([file](char* into, std::size_t room, bool& failed) {
        errno = 0;
        const std::size_t n = std::fread(into, 1, room, file);
        failed = std::ferror(file) != 0;
        return n;
    });
}

bool TextLines::fill() {
    if (ended_) {
        return false;
    }
    if (at_ > 0) {
        buffer_.erase(0, at_);
        at_ = 0;
    }
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kChunkBytes);
    bool failed = false;
    const std::size_t got = source_(buffer_.data() + had, kChunkBytes, failed);
    buffer_.resize(had + got);
    if (failed) {
        fault_ = std::string("cannot read: ") + std::strerror(errno ? errno : EIO);
        ended_ = true;
        return false;
    }
    ended_ = got == 0;
    return got > 0;
}

// UTF-16 starts with its byte-order mark, or with a NUL beside each ASCII letter; a UTF-8 mark
// is skipped.
bool TextLines::checkStart() {
    started_ = true;
    while (buffer_.size() < 4 && fill()) {
    }
    const std::string_view start(buffer_.data(), std::min<std::size_t>(buffer_.size(), 4));
    const bool utf16 = start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF") ||
                       (start.size() >= 2 && (start[0] == '\0') != (start[1] == '\0'));
    if (utf16) {
        fault_ = "it is UTF-16 text; save it as UTF-8";
        return false;
    }
    if (start.starts_with("\xEF\xBB\xBF")) {
        at_ = 3;
    }
    return true;
}

std::optional<std::string_view> TextLines::next(bool& terminated) {
    if (fault_ || (!started_ && !checkStart())) {
        return std::nullopt;
    }
    std::size_t end = buffer_.find('\n', at_);
    while (end == std::string::npos) {
        if (buffer_.find('\0', at_) != std::string::npos) {
            break; // said below, as the line's
        }
        if (buffer_.size() - at_ > kMaxLineBytes) {
            fault_ = "line " + std::to_string(number_ + 1) + " is longer than 64 KiB";
            return std::nullopt;
        }
        const std::size_t searched = buffer_.size() - at_;
        if (!fill()) {
            break;
        }
        end = buffer_.find('\n', searched);
    }
    if (fault_ || at_ >= buffer_.size()) {
        return std::nullopt;
    }
    terminated = end != std::string::npos;
    if (!terminated) {
        end = buffer_.size();
    }
    std::string_view line(buffer_.data() + at_, end - at_);
    at_ = terminated ? end + 1 : end;
    ++number_;
    if (line.find('\0') != std::string_view::npos) {
        fault_ = "line " + std::to_string(number_) + " holds a NUL byte; it is no text";
        return std::nullopt;
    }
    if (line.size() > kMaxLineBytes) {
        fault_ = "line " + std::to_string(number_) + " is longer than 64 KiB";
        return std::nullopt;
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    return line;
}
