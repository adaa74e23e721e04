// The file dialogs: titles, filters, options, cancel as its own outcome.
#include "table/qt/QtFileDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

const char* kVetFilter = "VE Table Files (*.vet)|*.vet|All Files (*.*)|*.*";

// Runs check on the dialog once it is up; check closes it.
void WhenDialogShows(std::function<void(QFileDialog*)> check) {
    QTimer::singleShot(0, [check] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        check(dialog);
    });
}

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void open_hasTitleFiltersAndOptions_andCancelIsNothing() {
        QWidget parent;
        QtFileDialogs dialogs(&parent);
        bool checked = false;
        WhenDialogShows([&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("Open VE File"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile); // no must-exist check
            QCOMPARE(dialog->nameFilters(),
                     (QStringList{"VE Table Files (*.vet)", "All Files (*)"}));
            QCOMPARE(dialog->selectedNameFilter(), QString("VE Table Files (*.vet)"));
            QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            QCOMPARE(dialog->defaultSuffix(), QString());
            checked = true;
            dialog->reject();
        });
        QCOMPARE(dialogs.showOpen({"Open VE File", kVetFilter, ""}), std::nullopt);
        QVERIFY(checked);
    }

    void save_overExistingOrWithoutExtension_asksNothingAndAddsNothing() {
        QTemporaryDir dir;
        QFile existing(dir.filePath("old.vet"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QWidget parent;
        QtFileDialogs dialogs(&parent);
        for (const QString name : {"old.vet", "table"}) {
            WhenDialogShows([&](QFileDialog* dialog) {
                QCOMPARE(dialog->windowTitle(), QString("Save VE File"));
                QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
                dialog->setDirectory(dir.path());
                dialog->selectFile(name);
                static_cast<QDialog*>(dialog)->accept(); // an overwrite question would block
            });
            const auto chosen = dialogs.showSave({"Save VE File", kVetFilter, ""});
            QCOMPARE(chosen, std::optional<std::string>(dir.filePath(name).toStdString()));
        }
    }
};

QTEST_MAIN(FileDialogTest)
#include "FileDialogTest.moc"
