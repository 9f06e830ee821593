// TSpinButton: an up arrow stacked on a down arrow that click, repeat while held, and follow the keys.
#pragma once

#include <QTimer>
#include <QWidget>

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    static constexpr int FirstRepeatDelayMs = 400;
    static constexpr int RepeatIntervalMs = 100;

    // The arrow that the space bar presses: the one last pressed, the up arrow at first.
    bool UpArrowFocused() const { return FocusedUp; }

signals:
    void UpClick();
    void DownClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class TArrow { None, Up, Down };

    TArrow ArrowAt(int y) const;
    void Press(TArrow arrow);
    void RepeatTick();
    void StopRepeat();

    TArrow HeldArrow = TArrow::None;
    bool FocusedUp = true;
    QTimer RepeatTimer;
};
