#include "tune/qt/TuneSettingsStore.h"

#include "common/FileNames.h"
#include "common/InputFile.h"
#include "tune/TuneOptionTexts.h"

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

// A setting as typed in the window would be taken; else why it keeps its default.
std::optional<std::string> Take(const QSettings& store, const QString& key,
                                const std::function<std::optional<std::string>(
                                    const std::string&)>& take) {
    if (!store.contains(key)) {
        return std::nullopt;
    }
    const std::string value = store.value(key).toString().toStdString();
    if (const auto why = take(value)) {
        return "Tuning setting " + key.toStdString() + ": " + *why + "; its default serves";
    }
    return std::nullopt;
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
    const auto note = [&loaded](std::optional<std::string> why) {
        if (why) {
            loaded.notes.push_back(*why);
        }
    };
    for (const TuneOptionText& option : TuneOptionTexts()) {
        note(Take(store, QString(option.name).mid(2), [&](const std::string& value) {
            return option.take(value, stored.settings.options)
                       ? std::nullopt
                       : std::optional(RefusalText(option.name, option.what, value));
        }));
    }
    note(Take(store, "target", [&](const std::string& value) {
        const auto why = TargetTextFault(value);
        if (!why) {
            stored.settings.target = value;
        }
        return why;
    }));
    note(Take(store, "apply-every", [&](const std::string& value) {
        const auto seconds = ApplyEveryOf(value == "0" ? "off" : value); // "0": as kept before
        stored.settings.applyEveryS = seconds.value_or(0);
        return seconds ? std::nullopt
                       : std::optional(RefusalText("apply-every", kApplyEveryWhat, value));
    }));
    for (const QVariant& cell : store.value("locked").toList()) {
        bool read = false;
        const int index = cell.toInt(&read);
        if (read && index >= 0 && index < kCellCount) {
            stored.locked[index] = true;
        }
    }
    return loaded;
}

std::optional<std::string> SaveTuning(const StoredTuning& stored) {
    QDir().mkpath(QFileInfo(SettingsPath()).path());
    QSettings store(SettingsPath(), QSettings::IniFormat);
    for (const TuneOptionText& option : TuneOptionTexts()) {
        store.setValue(QString(option.name).mid(2),
                       QString::fromStdString(option.show(stored.settings.options)));
    }
    store.setValue("target", QString::fromStdString(stored.settings.target));
    store.setValue("apply-every", stored.settings.applyEveryS
                                      ? QString::number(stored.settings.applyEveryS)
                                      : QString("off"));
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
