#include "datalog/LogEncoder.h"

#include <variant>

LogEncoder::LogEncoder(LogFormat format, const LogHeader& header, std::uint32_t startedAt)
    : format_(format) {
    if (format_ != LogFormat::Mlg) {
        header_ = HeaderText(format_, header);
        return;
    }
    steps_ = RecordedSteps(header.airflowInHertz);
    auto made = MlgWriter::Make(MlgLogHeader(
        kMlgVersion, startedAt, header.signature + "\nCapture Date: " + header.captureDate, steps_,
        header.airflowInHertz));
    // Our own fields always fit: only a signature past the info's bound could refuse it.
    mlg_ = std::move(std::get<MlgWriter>(made));
    header_ = mlg_->take();
}

std::string LogEncoder::header() {
    return std::exchange(header_, {});
}

std::string LogEncoder::row(std::int64_t sinceStartMs, const LoggedRecord& entry) {
    if (!mlg_) {
        return RowText(format_, sinceStartMs, entry);
    }
    const auto values = RowValues(sinceStartMs, entry);
    for (std::size_t c = 0; c < kLogChannels; ++c) {
        rounded_ += LosesDigits(values[c], steps_[c]) ? 1 : 0;
    }
    mlg_->record(values[0], values);
    return mlg_->take();
}

std::size_t LogEncoder::rounded() const {
    return rounded_ + (mlg_ ? mlg_->clamped() : 0);
}
