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
        edit->move(0, 160);
        button->move(0, 120);
        new KeyPreview(&window, [this](std::int16_t code, std::int16_t shift) {
            // Shift, Ctrl and Alt (16, 17, 18) arrive as keys of their own first.
            if (code < 16 || code > 18) {
                calls.emplace_back(code, shift);
                textWhenCalled = edit->text();
            }
        });
        window.show();
        window.activateWindow();
    }
    void focus(QWidget* target) {
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
    }
    QWidget window;
    QTableWidget* table = new QTableWidget(3, 3, &window);
    QPushButton* button = new QPushButton("RealTime", &window);
    QLineEdit* edit = new QLineEdit(&window);
    std::vector<Call> calls;
    QString textWhenCalled;
};

} // namespace

class KeyPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void keyWithFocus_reachesHandlerOnceWithCodeAndBits() {
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            Call call;
        } keys[] = {{Qt::Key_Left, Qt::ControlModifier, {37, 2}},
                    {Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier, {39, 5}},
                    {Qt::Key_Equal, Qt::NoModifier, {187, 0}},
                    {Qt::Key_Plus, Qt::ShiftModifier, {187, 1}}, // Shift+= types +
                    {Qt::Key_Underscore, Qt::ShiftModifier, {189, 1}},
                    {Qt::Key_Minus, Qt::KeypadModifier, {109, 0}},
                    {Qt::Key_A, Qt::NoModifier, {65, 0}}};
        for (int onButton = 0; onButton < 2; ++onButton) {
            for (const auto& k : keys) {
                Window w; // afresh: a typed key may open the grid's cell editor
                QVERIFY(QTest::qWaitForWindowActive(&w.window));
                QWidget* target = onButton ? static_cast<QWidget*>(w.button) : w.table;
                w.focus(target);
                QTest::keyClick(target, k.key, k.modifiers);
                QCOMPARE(w.calls, std::vector<Call>{k.call});
            }
        }
    }

    void focusedControl_stillGetsTheKeyAfterTheHandler() {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        w.focus(w.edit);
        QTest::keyClick(w.edit, Qt::Key_Minus);
        QCOMPARE(w.calls, (std::vector<Call>{{189, 0}}));
        QCOMPARE(w.textWhenCalled, QString());
        QCOMPARE(w.edit->text(), QString("-"));
    }
};

QTEST_MAIN(KeyPreviewTest)
#include "KeyPreviewTest.moc"
