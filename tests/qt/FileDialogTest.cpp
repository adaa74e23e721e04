// The file dialogs: title, filters, and no question asked or extension added on the user's part.
#include "table/qt/QtFileDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void dialogs_takeAnyNameAsGivenAndCancelIsNothing() {
        QTemporaryDir dir;
        QFile existing(dir.filePath("old.vet"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QWidget parent;
        QtFileDialogs dialogs(&parent);
        const FileDialogRequest request{"Save VE File",
                                        "VE Table Files (*.vet)|*.vet|All Files (*.*)|*.*", ""};
        // Picks name in the dialog once it is up, or cancels it for an empty name.
        const auto choose = [&](const QString& name) {
            QTimer::singleShot(0, [&dir, name] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QString("Save VE File"));
                QCOMPARE(dialog->nameFilters(),
                         (QStringList{"VE Table Files (*.vet)", "All Files (*)"}));
                QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile); // no must-exist check
                dialog->setDirectory(dir.path());
                dialog->selectFile(name);
                name.isEmpty() ? dialog->reject()
                               : static_cast<QDialog*>(dialog)->accept(); // no question
            });
        };
        choose("");
        QCOMPARE(dialogs.showOpen(request), std::nullopt);
        for (const QString name : {"old.vet", "table", "missing.vet"}) {
            choose(name);
            QCOMPARE(dialogs.showSave(request), dir.filePath(name).toStdString());
        }
        choose("missing.vet");
        QCOMPARE(dialogs.showOpen(request), dir.filePath("missing.vet").toStdString());
    }
};

QTEST_MAIN(FileDialogTest)
#include "FileDialogTest.moc"
