#include "Faults.h"

namespace tvxsim {
namespace {

std::string insertedAtRandom(std::string text, std::string_view bytes, Random& random) {
    const auto at = static_cast<std::size_t>(random.between(0, static_cast<long>(text.size())));
    text.insert(at, bytes);
    return text;
}

std::string randomBytes(long count, int lowest, Random& random) {
    std::string bytes;
    for (long i = 0; i < count; ++i) {
        bytes += static_cast<char>(random.between(lowest, 255));
    }
    return bytes;
}

} // namespace

std::vector<Piece> splitForSending(std::string_view bytes, Split mode, Random& random) {
    std::vector<Piece> pieces;
    if (mode == Split::None) {
        if (!bytes.empty()) {
            pieces.push_back({std::string(bytes), {}});
        }
        return pieces;
    }
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t size = 1;
        std::chrono::microseconds pause{0};
        if (mode == Split::Random) {
            size = static_cast<std::size_t>(random.between(1, kMaxRandomPiece));
            pause = std::chrono::microseconds(random.between(0, kMaxPause.count()));
        }
        pieces.push_back({std::string(bytes.substr(at, size)), pause});
        at += size;
    }
    return pieces;
}

std::string corruptRecord(std::string_view record, std::string_view terminator,
                          const RecordFaults& faults, Random& random) {
    std::string text(record);
    if (faults.longField > 0 && random.chance(kLongFieldChance)) {
        text = withLongField(text, faults.longField, random);
    }
    text += terminator;
    if (faults.garbage > 0 && random.chance(faults.garbage)) {
        text =
            insertedAtRandom(std::move(text), randomBytes(random.between(1, 8), 1, random), random);
    }
    if (faults.nul && random.chance(kNulChance)) {
        text = insertedAtRandom(std::move(text), std::string(random.between(1, 3), '\0'), random);
    }
    return text;
}

std::string withLongField(std::string_view record, int digits, Random& random) {
    std::vector<std::string> fields(1);
    for (char c : record) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (fields.size() < 2) {
        return std::string(record);
    }
    std::string& victim = fields[random.between(1, static_cast<long>(fields.size()) - 1)];
    victim = std::string(1, static_cast<char>('0' + random.between(1, 9)));
    for (int i = 1; i < digits; ++i) {
        victim += static_cast<char>('0' + random.between(0, 9));
    }
    std::string text = fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) {
        text += ',' + fields[i];
    }
    return text;
}

std::string truncated(std::string_view text, Random& random) {
    if (text.size() < 2) {
        return std::string(text);
    }
    return std::string(text.substr(0, random.between(1, static_cast<long>(text.size()) - 1)));
}

} // namespace tvxsim
