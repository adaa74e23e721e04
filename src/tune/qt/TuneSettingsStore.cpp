#include "tune/qt/TuneSettingsStore.h"

#include "tune/TuneOptionTexts.h"

#include <QSettings>

namespace {

constexpr const char* kOrganisation = "Torvex";
constexpr const char* kApplication = "Tuning";

} // namespace

StoredTuning LoadTuning() {
    StoredTuning stored;
    QSettings store(kOrganisation, kApplication);
    for (const TuneOptionText& option : TuneOptionTexts()) {
        const QString key = QString(option.name).mid(2);
        if (store.contains(key)) {
            TuneOptions tried = stored.settings.options;
            if (option.take(store.value(key).toString().toStdString(), tried)) {
                stored.settings.options = tried;
            }
        }
    }
    stored.settings.target = store.value("target").toString().toStdString();
    const int every = store.value("apply-every").toInt();
    stored.settings.applyEveryS = every >= kLeastApplyEveryS ? every : 0;
    for (const QVariant& cell : store.value("locked").toList()) {
        bool read = false;
        const int index = cell.toInt(&read);
        if (read && index >= 0 && index < kCellCount) {
            stored.locked[index] = true;
        }
    }
    return stored;
}

void SaveTuning(const StoredTuning& stored) {
    QSettings store(kOrganisation, kApplication);
    for (const TuneOptionText& option : TuneOptionTexts()) {
        store.setValue(QString(option.name).mid(2),
                       QString::fromStdString(option.show(stored.settings.options)));
    }
    store.setValue("target", QString::fromStdString(stored.settings.target));
    store.setValue("apply-every", stored.settings.applyEveryS);
    QVariantList locked;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (stored.locked[cell]) {
            locked.push_back(cell);
        }
    }
    store.setValue("locked", locked);
}
