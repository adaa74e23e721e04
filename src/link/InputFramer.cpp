#include "link/InputFramer.h"

#include "link/Protocol.h"

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

struct Token {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool complete = false; // a separator follows it
};

// Fields split at commas and at runs of line ends.
std::vector<Token> Tokenize(std::string_view text, bool lineQuiet) {
    std::vector<Token> tokens;
    std::size_t begin = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ',' || IsLineEnd(text[i])) {
            tokens.push_back({begin, i, true});
            if (text[i] == ',') {
                ++i;
            } else {
                while (i < text.size() && IsLineEnd(text[i])) {
                    ++i;
                }
            }
            begin = i;
        } else {
            ++i;
        }
    }
    if (begin < text.size()) {
        tokens.push_back({begin, text.size(), lineQuiet});
    }
    return tokens;
}

constexpr std::string_view kMarker = "255";

} // namespace

void InputFramer::feed(std::string_view bytes) {
    pending_.append(bytes);
    if (pending_.size() > kMaxPending) {
        // Only the newest input can matter; a reply this long is broken anyway.
        const std::size_t drop = pending_.size() - kMaxPending / 2;
        pending_.erase(0, drop);
        droppedBytes_ += drop;
    }
}

std::optional<std::string> InputFramer::takeTableReply(bool lineQuiet) {
    std::size_t commas = 0;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        if (pending_[i] != ',') {
            continue;
        }
        if (++commas == kTableReplyFields - 1) {
            // The intake field ends at the next separator.
            for (std::size_t j = i + 1; j < pending_.size(); ++j) {
                if (pending_[j] == ',' || IsLineEnd(pending_[j])) {
                    std::size_t end = j;
                    while (end < pending_.size() && IsLineEnd(pending_[end])) {
                        ++end;
                    }
                    if (end < pending_.size() && pending_[end] == ',' && end == j) {
                        ++end;
                    }
                    std::string reply = pending_.substr(0, j);
                    pending_.erase(0, end);
                    return reply;
                }
            }
            break;
        }
    }
    if (!lineQuiet || pending_.empty()) {
        return std::nullopt;
    }
    std::string reply;
    reply.swap(pending_);
    return reply;
}

std::vector<std::string> InputFramer::takeRecords(bool lineQuiet) {
    const std::string_view text = pending_;
    const std::vector<Token> tokens = Tokenize(text, lineQuiet);
    const std::size_t count = tokens.size();
    const auto field = [&](std::size_t k) {
        return text.substr(tokens[k].begin, tokens[k].end - tokens[k].begin);
    };
    const auto isMarker = [&](std::size_t k) {
        return k < count && tokens[k].complete && field(k) == kMarker;
    };
    // Records sent with nothing between them leave each marker glued to the field before it
    // ("14.9255"). Such a field starts a record only if the stream keeps that rhythm: six
    // fields on, the next marker (glued or not), or the end of a quiet line.
    const auto isGlued = [&](std::size_t k) {
        return k < count && tokens[k].complete && field(k).size() > kMarker.size() &&
               field(k).ends_with(kMarker);
    };
    const std::size_t last = kLiveRecordFields - 1; // fields after the marker
    const auto startsGluedRecord = [&](std::size_t k) {
        return isGlued(k) && (isGlued(k + last) || isMarker(k + last + 1) ||
                              (lineQuiet && k + last + 1 == count));
    };

    std::vector<std::string> records;
    std::size_t keepFrom = 0; // where the unconsumed input begins
    std::size_t k = 0;
    bool glued = false; // the last record ended in the next one's marker, at token k
    // Whether a glued start holds cannot be told until its look-ahead has arrived whole.
    const auto gluedStartUndecided = [&](std::size_t k) {
        const bool lastWhole = k + last < count && tokens[k + last].complete;
        const bool afterWhole = k + last + 1 < count && tokens[k + last + 1].complete;
        return !lineQuiet && isGlued(k) && (!lastWhole || (!isGlued(k + last) && !afterWhole));
    };
    while (k < count) {
        if (!glued && !isMarker(k) && gluedStartUndecided(k)) {
            keepFrom = tokens[k].begin;
            break;
        }
        if (!glued && !isMarker(k) && !startsGluedRecord(k)) {
            ++k;
            continue;
        }
        const bool markerIsGlued = glued || !isMarker(k);
        const std::size_t start = markerIsGlued ? tokens[k].end - kMarker.size() : tokens[k].begin;
        glued = false;
        if (k + last >= count || !tokens[k + last].complete) {
            keepFrom = start;
            break;
        }
        // A last field ending in 255 is glued to the next marker unless a marker of its own
        // follows; until the field after it is whole, that cannot be told.
        const std::size_t after = k + last + 1;
        if (isGlued(k + last) && !lineQuiet && (after >= count || !tokens[after].complete)) {
            keepFrom = start;
            break;
        }
        std::string record(kMarker);
        for (std::size_t f = 1; f <= last; ++f) {
            std::string_view value = field(k + f);
            if (f == last && isGlued(k + f) && after < count && !isMarker(after)) {
                value.remove_suffix(kMarker.size());
                glued = true;
            }
            record += ',';
            record += value;
        }
        records.push_back(std::move(record));
        k += glued ? last : last + 1;
        keepFrom = k < count ? tokens[k].begin : text.size();
    }

    if (records.empty() && lineQuiet && !pending_.empty()) {
        records.emplace_back().swap(pending_); // no marker frames it: the plain marker rule
        return records;
    }
    if (!records.empty()) {
        skippedRecords_ += records.size() - 1;
    }
    if (lineQuiet) {
        pending_.clear(); // a quiet line ends whatever was arriving: never join it to what follows
    } else {
        pending_.erase(0, keepFrom);
    }
    return records;
}
