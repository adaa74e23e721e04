#include "live/qt/TuneSettingsStore.h"

#include "common/FileNames.h"
#include "common/InputFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <filesystem>

namespace {

QString SettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/Torvex/Tuning.conf";
}

// Why the file cannot be read as settings without waiting or filling memory: not a plain file,
// or too large. Nothing when it can, or when there is none.
std::optional<std::string> FileFault(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) {
        return std::nullopt;
    }
    auto opened = OpenInputFile(path);
    if (const auto* why = std::get_if<std::string>(&opened)) {
        return *why;
    }
    std::FILE* file = std::get<File>(opened).get();
    if (std::fseek(file, 0, SEEK_END) != 0 || std::ftell(file) > kMaxTuningFileBytes) {
        return path + " is over " + std::to_string(kMaxTuningFileBytes / 1024) + " KiB";
    }
    return std::nullopt;
}

// Moved out of the way, never deleted: the user may want it back.
std::string SetAside(const std::string& path, const std::string& why) {
    const std::string aside = UnusedPath(path + ".set-aside", "", [](const std::string& p) {
        std::error_code ignored;
        return std::filesystem::exists(std::filesystem::symlink_status(p, ignored));
    });
    std::error_code error;
    std::filesystem::rename(path, aside, error);
    return "The tuning settings were not read: " + why +
           (error ? "; it could not be moved aside (" + error.message() + ")"
                  : "; moved aside as " + aside) +
           "; the defaults serve";
}

} // namespace

LoadedTuning LoadTuning() {
    LoadedTuning loaded;
    StoredTuning& stored = loaded.stored;
    const std::string path = SettingsPath().toStdString();
    if (const auto fault = FileFault(path)) {
        loaded.notes.push_back(SetAside(path, *fault));
        return loaded;
    }
    QSettings store(SettingsPath(), QSettings::IniFormat);
    if (store.status() == QSettings::FormatError) {
        loaded.notes.push_back(SetAside(path, path + " is no settings file"));
        return loaded;
    }
    SettingsRead read = ReadSettings([&store](const std::string& key) {
        const QString name = QString::fromStdString(key);
        return store.contains(name) ? std::optional(store.value(name).toString().toStdString())
                                    : std::nullopt;
    });
    stored.settings = read.settings;
    loaded.notes.insert(loaded.notes.end(), read.notes.begin(), read.notes.end());
    for (const QVariant& cell : store.value("locked").toList()) {
        bool number = false;
        const int index = cell.toInt(&number);
        if (number && index >= 0 && index < kCellCount) {
            stored.locked[index] = true;
        }
    }
    return loaded;
}

std::optional<std::string> SaveTuning(const StoredTuning& stored) {
    QDir().mkpath(QFileInfo(SettingsPath()).path());
    QSettings store(SettingsPath(), QSettings::IniFormat);
    for (const auto& [key, text] : SettingTexts(stored.settings)) {
        store.setValue(QString::fromStdString(key), QString::fromStdString(text));
    }
    QVariantList locked;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (stored.locked[cell]) {
            locked.push_back(cell);
        }
    }
    store.setValue("locked", locked);
    store.sync();
    if (store.status() != QSettings::NoError) {
        return "The tuning settings could not be saved to " + SettingsPath().toStdString() +
               (store.status() == QSettings::AccessError ? ": it cannot be written"
                                                         : ": it is no settings file");
    }
    return std::nullopt;
}
