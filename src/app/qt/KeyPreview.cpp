#include "app/qt/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

std::int16_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return static_cast<std::int16_t>(qtKey); // same numbering
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return static_cast<std::int16_t>(keypad ? 96 + (qtKey - Qt::Key_0) : qtKey);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<std::int16_t>(112 + (qtKey - Qt::Key_F1));
    }
    switch (qtKey) {
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    // With Shift the "=" and "-" keys report what they type; they are still the same keys.
    case Qt::Key_Plus:
        return keypad ? 107 : 187;
    case Qt::Key_Equal:
        return 187;
    case Qt::Key_Minus:
        return keypad ? 109 : 189;
    case Qt::Key_Underscore:
        return 189;
    case Qt::Key_Asterisk:
        return keypad ? 106 : 56;
    case Qt::Key_Slash:
        return keypad ? 111 : 191;
    case Qt::Key_Period:
        return keypad ? 110 : 190;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 186;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Question:
        return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 222;
    default:
        return 0;
    }
}

std::int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
    std::int16_t bits = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        bits |= 1;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) {
        bits |= 2;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        bits |= 4;
    }
    return bits;
}

KeyPreview::KeyPreview(QWidget* window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    // Installed on the application so it runs before any control's own key handling.
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    qApp->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    // Only keys from the keyboard: a control that hands a key on to another (a grid to its
    // cell editor) sends a copy, which is not a second key press.
    if (event->type() != QEvent::KeyPress || !event->spontaneous() || !watched->isWidgetType()) {
        return false;
    }
    // A key the focused control ignores travels on to its parents; only its first stop counts.
    QWidget* focus = QApplication::focusWidget();
    QWidget* first = focus && focus->window() == window_ ? focus : window_;
    if (watched != first) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    handler_(VirtualKeyCode(key->key(), key->modifiers()), ShiftState(key->modifiers()));
    return false; // the focused control still gets the key
}
