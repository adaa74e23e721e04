// Writes a MegaLogViewer binary log a piece at a time, so a recorder can append records as they
// come and write out what it holds when it likes.
#pragma once

#include "datalog/Mlg.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

class MlgWriter {
public:
    // A writer whose first bytes are the header, or why the header cannot be written: "mlg field
    // 3 (MAP): units "PSI absolute" longer than 9 bytes". A text is never cut to fit.
    static std::variant<MlgWriter, std::string> Make(MlgHeader header);

    // One value per field, in the fields' order, each rounded to the nearest its field stores;
    // the time is since logging began. Nothing, or why it was not written.
    std::optional<std::string> record(double timeS, std::span<const double> values);
    std::optional<std::string> marker(double timeS, std::string_view text);

    // The bytes made since the last call, for the caller to write out.
    std::string take() { return std::exchange(pending_, {}); }

    // Values, and times, that did not fit (or were no number) and were written as the nearest
    // that fits: never wrapped round.
    std::size_t clamped() const { return clamped_; }

private:
    explicit MlgWriter(MlgHeader header);
    void blockHead(MlgBlock type, double timeS);
    void put(const MlgField& field, double value);

    MlgHeader header_;
    std::string pending_;
    std::uint8_t counter_ = 0;
    std::size_t clamped_ = 0;
};
