#include "datalog/MlgReader.h"

#include "common/Printable.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
// Some 1.4 million years of 10 µs ticks: a Time channel that claims more is not believed.
constexpr std::int64_t kMaxTicks = std::int64_t{1} << 62;

std::uint64_t Big(std::string_view bytes) {
    std::uint64_t value = 0;
    for (const char byte : bytes) {
        value = (value << 8) | static_cast<std::uint8_t>(byte);
    }
    return value;
}

// Up to the first NUL: the rest pads the text to its width.
std::string Unpadded(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::string Hex(std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

std::string Where(std::size_t block, std::uint64_t byte) {
    return "mlg record " + std::to_string(block) + " (byte " + std::to_string(byte) + "): ";
}

std::string PastTheEnd(std::uint64_t dataBegin, std::uint64_t end) {
    return "mlg header: data begins at byte " + std::to_string(dataBegin) +
           ", past the end at byte " + std::to_string(end);
}

double Decode(const MlgField& field, std::string_view bytes) {
    const std::uint64_t bits = Big(bytes);
    double raw = 0;
    switch (field.type) {
    case MlgType::S08:
        raw = static_cast<std::int8_t>(bits);
        break;
    case MlgType::S16:
        raw = static_cast<std::int16_t>(bits);
        break;
    case MlgType::S32:
        raw = static_cast<std::int32_t>(bits);
        break;
    case MlgType::S64:
        raw = static_cast<double>(static_cast<std::int64_t>(bits));
        break;
    case MlgType::F32:
        raw = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        break;
    default: // the unsigned types, bits included
        raw = static_cast<double>(bits);
    }
    return MlgShown(field, raw);
}

bool IsTimeChannel(const MlgField& field) {
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    return !MlgIsBits(field.type) && lower(field.name) == "time" &&
           (field.units == "s" || field.units == "sec");
}

} // namespace

MlgReader::MlgReader(Source source) : source_(std::move(source)) {
    readHeader();
}

MlgReader MlgReader::Of(std::string_view bytes) {
    return MlgReader([bytes](char* into, std::size_t room, bool&) mutable {
        const std::size_t n = std::min(room, bytes.size());
        std::copy_n(bytes.data(), n, into);
        bytes.remove_prefix(n);
        return n;
    });
}

MlgReader MlgReader::Of(std::FILE* file) {
    return MlgReader([file](char* into, std::size_t room, bool& failed) {
        errno = 0;
        const std::size_t n = std::fread(into, 1, room, file);
        failed = std::ferror(file) != 0;
        return n;
    });
}

void MlgReader::stop(std::string why) {
    if (!tally_.stop) {
        tally_.stop = std::move(why);
    }
}

// Whether `bytes` unread bytes are at hand, reading more as needed.
bool MlgReader::need(std::size_t bytes) {
    while (buffer_.size() - at_ < bytes) {
        if (ended_) {
            return false;
        }
        consumed_ += at_;
        buffer_.erase(0, at_);
        at_ = 0;
        const std::size_t had = buffer_.size();
        buffer_.resize(had + kChunkBytes);
        bool failed = false;
        const std::size_t got =
            std::min(source_(buffer_.data() + had, kChunkBytes, failed), kChunkBytes);
        buffer_.resize(had + got);
        if (failed) {
            stop("mlg cannot read at byte " + std::to_string(consumed_ + buffer_.size()) + ": " +
                 std::strerror(errno ? errno : EIO));
        }
        ended_ = failed || got == 0;
    }
    return true;
}

bool MlgReader::skipTo(std::uint64_t target) {
    while (position() < target) {
        const std::size_t unread = buffer_.size() - at_;
        if (unread == 0 && !need(1)) {
            return false;
        }
        at_ += static_cast<std::size_t>(
            std::min<std::uint64_t>(buffer_.size() - at_, target - position()));
    }
    return true;
}

std::string_view MlgReader::take(std::size_t bytes) {
    const std::string_view taken(buffer_.data() + at_, bytes);
    at_ += bytes;
    return taken;
}

bool MlgReader::readHeader() {
    // The sixth byte, a NUL, is not checked: the name is.
    constexpr std::string_view kName = kMlgMagic.substr(0, 5);
    const bool whole = need(kMlgMagic.size() + 2);
    const std::string_view start(buffer_.data() + at_,
                                 std::min(buffer_.size() - at_, kName.size()));
    if (start != kName.substr(0, start.size())) {
        stop("mlg header: not an MLVLG log");
        return false;
    }
    const auto cutShort = [this] {
        stop("mlg header: cut short at byte " + std::to_string(consumed_ + buffer_.size()));
        return false;
    };
    if (!whole) {
        return cutShort();
    }
    MlgHeader header;
    header.version = static_cast<int>(Big(take(kMlgMagic.size() + 2).substr(kMlgMagic.size())));
    if (auto fault = MlgVersionFault(header.version)) {
        stop(*fault);
        return false;
    }
    const bool wide = header.version == 2;
    if (!need(MlgHeaderBytes(header.version) - kMlgMagic.size() - 2)) {
        return cutShort();
    }
    header.timestamp = static_cast<std::uint32_t>(Big(take(4)));
    const std::uint64_t infoStart = Big(take(wide ? 4 : 2));
    const std::uint64_t dataBegin = Big(take(4));
    const std::uint64_t recordBytes = Big(take(2));
    const std::size_t count = static_cast<std::size_t>(Big(take(2)));
    if (auto fault = MlgCountFault(count)) {
        stop(*fault);
        return false;
    }
    if (!need(count * MlgFieldBytes(header.version))) {
        return cutShort();
    }
    if (!readFields(header, count, recordBytes)) {
        return false;
    }
    const std::uint64_t fieldsEnd = position();
    if (dataBegin < fieldsEnd) {
        stop("mlg header: data begins at byte " + std::to_string(dataBegin) +
             ", inside the fields, which end at byte " + std::to_string(fieldsEnd));
        return false;
    }
    // No info is where it begins at 0; between the fields and it may lie the bits' names.
    if (infoStart != 0 && (infoStart < fieldsEnd || infoStart > dataBegin)) {
        stop("mlg header: info begins at byte " + std::to_string(infoStart) +
             ", not within bytes " + std::to_string(fieldsEnd) + " to " +
             std::to_string(dataBegin));
        return false;
    }
    if (infoStart != 0) {
        const auto infoBytes = static_cast<std::size_t>(
            std::min<std::uint64_t>(dataBegin - infoStart, kMlgMaxInfoBytes));
        if (!skipTo(infoStart) || !need(infoBytes)) {
            stop(PastTheEnd(dataBegin, consumed_ + buffer_.size()));
            return false;
        }
        header.info = Unpadded(take(infoBytes));
    }
    if (!skipTo(dataBegin)) {
        stop(PastTheEnd(dataBegin, consumed_ + buffer_.size()));
        return false;
    }
    values_.resize(count);
    header_ = std::move(header);
    return true;
}

bool MlgReader::readFields(MlgHeader& header, std::size_t count, std::uint64_t recordBytes) {
    const int version = header.version;
    for (std::size_t f = 0; f < count; ++f) {
        const std::string_view d = take(MlgFieldBytes(version));
        MlgField field;
        field.type = static_cast<MlgType>(d[0]);
        field.name = Unpadded(d.substr(1, kMlgNameBytes));
        field.units = Unpadded(d.substr(1 + kMlgNameBytes, kMlgUnitsBytes));
        const auto width = MlgWidth(static_cast<std::uint8_t>(d[0]), version);
        if (!width) {
            stop(MlgFieldFault(f, field.name,
                               MlgTypeFault(static_cast<std::uint8_t>(d[0]), version)));
            return false;
        }
        const std::string_view rest = d.substr(1 + kMlgNameBytes + kMlgUnitsBytes);
        field.displayStyle = static_cast<std::uint8_t>(rest[0]);
        // A bit field has its bits' style, names and count where the others have their scale,
        // transform and digits: a viewer's matters, not ours.
        if (!MlgIsBits(field.type)) {
            field.scale = std::bit_cast<float>(static_cast<std::uint32_t>(Big(rest.substr(1, 4))));
            field.transform =
                std::bit_cast<float>(static_cast<std::uint32_t>(Big(rest.substr(5, 4))));
            field.digits = static_cast<std::int8_t>(rest[9]);
        }
        if (version == 2) {
            field.category = Unpadded(rest.substr(10, kMlgCategoryBytes));
        }
        if (!timeField_ && IsTimeChannel(field)) {
            timeField_ = f;
        }
        widths_.push_back(*width);
        recordBytes_ += *width;
        header.fields.push_back(std::move(field));
    }
    if (recordBytes != recordBytes_) {
        stop("mlg header: records of " + std::to_string(recordBytes) +
             " bytes where the fields take " + std::to_string(recordBytes_));
        return false;
    }
    return true;
}

double MlgReader::timeOf(std::uint16_t stamp, const double* channelTime) {
    if (!timed_) {
        ticks_ = stamp;
        timed_ = true;
    } else {
        ticks_ += static_cast<std::uint16_t>(stamp - lastStamp_);
    }
    lastStamp_ = stamp;
    if (channelTime != nullptr && std::isfinite(*channelTime)) {
        const double expected = lastChannelTime_
                                    ? static_cast<double>(lastChannelTicks_) +
                                          (*channelTime - *lastChannelTime_) * kMlgTicksPerS
                                    : *channelTime * kMlgTicksPerS;
        const double wraps = std::round((expected - static_cast<double>(ticks_)) / kMlgWrapTicks);
        if (wraps > 0 && wraps < static_cast<double>((kMaxTicks - ticks_) / kMlgWrapTicks)) {
            ticks_ += static_cast<std::int64_t>(wraps) * kMlgWrapTicks;
        }
        lastChannelTime_ = *channelTime;
        lastChannelTicks_ = ticks_;
    }
    return static_cast<double>(ticks_) / kMlgTicksPerS;
}

std::optional<std::variant<MlgReader::Record, MlgReader::Marker>> MlgReader::next() {
    while (header_ && !tally_.stop && need(1)) {
        const std::uint64_t where = position();
        const std::size_t number = ++blocks_;
        const auto type = static_cast<std::uint8_t>(buffer_[at_]);
        std::size_t bytes = kMlgBlockHeadBytes;
        if (type == static_cast<std::uint8_t>(MlgBlock::Record)) {
            bytes += recordBytes_ + 1;
        } else if (type == static_cast<std::uint8_t>(MlgBlock::Marker)) {
            bytes += kMlgMarkerBytes;
        } else {
            stop(Where(number, where) + "unknown block type " + std::to_string(type));
            break;
        }
        if (!need(bytes)) {
            tally_.cutShort = !tally_.stop;
            stop(Where(number, where) + "cut short, " + std::to_string(buffer_.size() - at_) +
                 " of " + std::to_string(bytes) + " bytes");
            break;
        }
        const std::string_view block = take(bytes);
        const auto stamp = static_cast<std::uint16_t>(Big(block.substr(2, 2)));
        if (type == static_cast<std::uint8_t>(MlgBlock::Marker)) {
            ++tally_.markers;
            const std::string_view text = block.substr(kMlgBlockHeadBytes);
            return Marker{timeOf(stamp, nullptr), text.substr(0, text.find('\0'))};
        }
        const std::string_view data = block.substr(kMlgBlockHeadBytes, recordBytes_);
        const auto stored = static_cast<std::uint8_t>(block.back());
        const std::uint8_t sum = MlgChecksum(data);
        if (stored != sum) {
            // Its timestamp is left out too: the checksum does not cover it.
            ++tally_.skipped;
            if (!tally_.firstSkipped) {
                tally_.firstSkipped = Where(number, where) + "checksum " + Hex(stored) +
                                      " where the bytes sum to " + Hex(sum);
            }
            continue;
        }
        std::size_t at = 0;
        for (std::size_t f = 0; f < values_.size(); ++f) {
            values_[f] = Decode(header_->fields[f], data.substr(at, widths_[f]));
            at += widths_[f];
        }
        ++tally_.records;
        return Record{timeOf(stamp, timeField_ ? &values_[*timeField_] : nullptr), values_};
    }
    return std::nullopt;
}
