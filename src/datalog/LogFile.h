// Where a recording's text goes. Each call answers with what went wrong, in plain words, or
// with nothing when it worked.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

class LogFile {
public:
    virtual ~LogFile() = default;
    // Creates the file, or empties one that is there.
    virtual std::optional<std::string> open(const std::string& path) = 0;
    // Appends and hands the text to the system, so a killed program keeps it.
    virtual std::optional<std::string> append(std::string_view text) = 0;
    virtual void close() = 0;
    // Writes a small file beside the log whole, replacing the one there.
    virtual std::optional<std::string> keep(const std::string& path, const std::string& text) = 0;
};

class StdioLogFile final : public LogFile {
public:
    StdioLogFile() = default;
    // Writes to a stream already open (stdout), which open() and close() leave as it is.
    explicit StdioLogFile(std::FILE* stream) : file_(stream), borrowed_(true) {}
    ~StdioLogFile() override { close(); }
    std::optional<std::string> open(const std::string& path) override;
    std::optional<std::string> append(std::string_view text) override;
    void close() override;
    std::optional<std::string> keep(const std::string& path, const std::string& text) override;

private:
    std::FILE* file_ = nullptr;
    bool borrowed_ = false;
};
