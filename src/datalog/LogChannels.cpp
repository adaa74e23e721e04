#include "datalog/LogChannels.h"

#include "common/InputFile.h"
#include "datalog/LogRows.h"
#include "datalog/MlgRows.h"

namespace {

// Text rows with the lines they read.
class TextRows final : public LogChannels {
public:
    TextRows(TextLines lines, LogFormat format, std::vector<std::string_view> needed)
        : lines_(std::move(lines)), rows_(lines_, format, std::move(needed)) {}

    std::optional<std::span<const double>> next() override { return rows_.next(); }
    std::size_t line() const override { return rows_.line(); }
    std::string rowError(const std::string& what) const override { return rows_.rowError(what); }
    bool cutShort() const override { return rows_.cutShort(); }
    const std::optional<std::string>& fault() const override { return rows_.fault(); }
    std::string units(std::size_t n) const override { return rows_.units(n); }
    std::size_t skipped() const override { return rows_.skipped(); }
    const std::vector<std::string>& names() const override { return rows_.names(); }
    const std::vector<LogMarker>& markers() const override { return rows_.markers(); }
    const std::optional<std::string>& firstSkipped() const override { return rows_.firstSkipped(); }

private:
    TextLines lines_;
    LogRows rows_;
};

} // namespace

std::unique_ptr<LogChannels> OpenLogChannels(std::FILE* file, LogFormat format,
                                             std::vector<std::string_view> needed) {
    if (format == LogFormat::Mlg) {
        return std::make_unique<MlgRows>(MlgReader::Of(file), std::move(needed));
    }
    return std::make_unique<TextRows>(TextLines::Of(file), format, std::move(needed));
}

std::unique_ptr<LogChannels> LogChannelsOf(std::string_view bytes, LogFormat format,
                                           std::vector<std::string_view> needed) {
    if (format == LogFormat::Mlg) {
        return std::make_unique<MlgRows>(MlgReader::Of(bytes), std::move(needed));
    }
    return std::make_unique<TextRows>(TextLines::Of(bytes), format, std::move(needed));
}

std::variant<OpenedLog, std::string> OpenLog(const std::string& path,
                                             std::vector<std::string_view> needed) {
    const auto format = LogFormatOf(path);
    if (!format) {
        return path + ": not a datalog (.msl, .csv or .mlg)";
    }
    auto opened = OpenInputFile(path);
    if (auto* why = std::get_if<std::string>(&opened)) {
        return std::move(*why);
    }
    OpenedLog log{std::get<File>(std::move(opened)), nullptr};
    log.rows = OpenLogChannels(log.file.get(), *format, std::move(needed));
    return log;
}
