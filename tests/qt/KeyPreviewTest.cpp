// Key preview: each key reaches the handler once, first, as a virtual-key code and modifier bits.
#include "app/qt/KeyPreview.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <utility>
#include <vector>

namespace {

using Call = std::pair<int, int>; // key code, modifier bits

struct Window {
    Window() {
        window.resize(300, 200);
        table = new QTableWidget(3, 3, &window);
        button = new QPushButton("RealTime", &window);
        edit = new QLineEdit(&window);
        button->move(0, 120);
        edit->move(0, 160);
        preview = new KeyPreview(&window, [this](std::int16_t code, std::int16_t shift) {
            // The test presses Shift, Ctrl and Alt as keys of their own (16, 17, 18) first.
            (code >= 16 && code <= 18 ? modifierKeys : calls).emplace_back(code, shift);
            textWhenCalled = edit->text(); // what the focused box held before the key
        });
        window.show();
        window.activateWindow();
    }
    QWidget window;
    QTableWidget* table;
    QPushButton* button;
    QLineEdit* edit;
    KeyPreview* preview;
    std::vector<Call> calls;
    std::vector<Call> modifierKeys;
    QString textWhenCalled;
};

} // namespace

class KeyPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void keyWithFocus_reachesHandlerOnceWithCodeAndBits_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("shift");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        for (const QString focus : {"grid", "button"}) {
            const auto row = [&](const char* name, int key, Qt::KeyboardModifiers mods, int code,
                                 int shift) {
                QTest::newRow(qPrintable(focus + ": " + name))
                    << focus << key << int(mods) << code << shift;
            };
            row("Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, 37, 2);
            row("Alt+Shift+Right", Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier, 39, 5);
            row("Ctrl+Shift+Left", Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, 37, 3);
            row("=", Qt::Key_Equal, none, 187, 0);
            row("Shift+= types +", Qt::Key_Plus, Qt::ShiftModifier, 187, 1);
            row("Shift+- types _", Qt::Key_Underscore, Qt::ShiftModifier, 189, 1);
            row("keypad -", Qt::Key_Minus, Qt::KeypadModifier, 109, 0);
            row("A", Qt::Key_A, none, 65, 0);
        }
    }

    void keyWithFocus_reachesHandlerOnceWithCodeAndBits() {
        QFETCH(QString, focus);
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QFETCH(int, shift);
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QWidget* target = focus == "grid" ? static_cast<QWidget*>(w.table) : w.button;
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(qtKey), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(w.calls, (std::vector<Call>{{code, shift}}));
    }

    void focusedControl_stillGetsTheKeyAfterTheHandler() {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        w.edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.edit));
        QTest::keyClick(w.edit, Qt::Key_Minus);
        QCOMPARE(w.calls, (std::vector<Call>{{189, 0}}));
        QCOMPARE(w.textWhenCalled, QString());
        QCOMPARE(w.edit->text(), QString("-"));
    }

    void keyInAnotherWindow_isNotPreviewed() {
        Window w;
        QLineEdit other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.setFocus();
        QTest::keyClick(&other, Qt::Key_Left);
        QVERIFY(w.calls.empty());
    }
};

QTEST_MAIN(KeyPreviewTest)
#include "KeyPreviewTest.moc"
