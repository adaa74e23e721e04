#include "edit/RestorePoints.h"

#include "common/FileNames.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <tuple>

std::string MadeBy(BackupKind kind) {
    std::string words = WordOf(kind);
    std::replace(words.begin(), words.end(), '-', ' ');
    return words;
}

namespace {

// UnusedPath's "_2", "_3" ... after the word, never "_1"; 1 for none.
std::optional<int> CopyOf(std::string_view tail) {
    if (tail.empty()) {
        return 1;
    }
    const std::string_view digits = tail.substr(1);
    int copy = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), copy);
    if (tail[0] != '_' || ec != std::errc() || end != digits.data() + digits.size() || copy < 2) {
        return std::nullopt;
    }
    return copy;
}

} // namespace

std::optional<RestorePoint> RestorePointOf(std::string_view fileName) {
    const std::string_view extension = ExtensionOf(TableFormat::Json);
    if (fileName.size() < kFileStampLength + 1 + extension.size() ||
        fileName[kFileStampLength] != '-' || !fileName.ends_with(extension)) {
        return std::nullopt;
    }
    const auto time = StampTime(fileName.substr(0, kFileStampLength));
    std::string_view why = fileName.substr(kFileStampLength + 1);
    why.remove_suffix(extension.size());
    const auto* named =
        std::find_if(std::begin(kBackupWords), std::end(kBackupWords),
                     [why](const BackupWord& w) { return why.starts_with(w.word); });
    if (!time || named == std::end(kBackupWords)) {
        return std::nullopt;
    }
    const auto copy = CopyOf(why.substr(std::string_view(named->word).size()));
    if (!copy) {
        return std::nullopt;
    }
    return RestorePoint{std::string(fileName), *time, named->kind, *copy};
}

bool IsNewer(const RestorePoint& a, const RestorePoint& b) {
    return std::tie(a.time, a.copy, a.file) > std::tie(b.time, b.copy, b.file);
}

std::variant<std::vector<RestorePoint>, FileError> ListRestorePoints(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<RestorePoint> points;
    std::error_code error;
    if (!fs::exists(folder, error) && !error) {
        return points;
    }
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        // As UTF-8 bytes: another file's name in any script reads without throwing on Windows.
        const std::u8string name = entry->path().filename().u8string();
        std::error_code ignored;
        if (const auto point =
                RestorePointOf({reinterpret_cast<const char*>(name.data()), name.size()});
            point && entry->is_regular_file(ignored)) {
            points.push_back(*point);
        }
    }
    if (error) {
        return FileError{"Cannot read " + folder + ": " + error.message()};
    }
    std::sort(points.begin(), points.end(), IsNewer);
    return points;
}
