// A binary log's records as rows of the needed channels, each value as its field's digits show
// it: the value the text log of the same drive holds.
#pragma once

#include "datalog/LogChannels.h"
#include "datalog/MlgReader.h"

class MlgRows final : public LogChannels {
public:
    MlgRows(MlgReader reader, std::vector<std::string_view> needed);

    std::optional<std::span<const double>> next() override;
    std::size_t line() const override { return reader_.tally().records; }
    std::string rowError(const std::string& what) const override;
    bool cutShort() const override { return reader_.tally().cutShort; }
    const std::optional<std::string>& fault() const override;
    std::string units(std::size_t n) const override;
    std::size_t skipped() const override { return reader_.tally().skipped; }
    const std::optional<std::string>& firstSkipped() const override {
        return reader_.tally().firstSkipped;
    }
    const std::vector<std::string>& names() const override { return names_; }
    const std::vector<LogMarker>& markers() const override { return markers_; }

private:
    MlgReader reader_;
    std::vector<std::string> names_;
    std::vector<LogMarker> markers_;
    std::vector<std::size_t> field_; // of each needed channel
    std::vector<int> digits_;        // each needed field's shown decimals, -1 for all
    std::vector<double> values_;
    std::optional<std::string> fault_; // the header's, else the reader's stop when not cut short
};

// A value as `digits` decimals show it; any other value (a float field, a negative count of
// digits) as it is.
double ShownValue(double value, int digits);
