// Key preview: every key pressed in a window reaches one handler before the focused control,
// as a Windows virtual-key code and modifier bits.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

class QKeyEvent;
class QWidget;

// The virtual-key code of a key (US layout for the punctuation keys); 0 for a key it lacks.
std::int16_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
// Modifier bits: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftState(Qt::KeyboardModifiers modifiers);

class KeyPreview : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(std::int16_t keyCode, std::int16_t shift)>;
    KeyPreview(QWidget* window, Handler handler);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    Handler handler_;
};
