// TSpinButton: two stacked arrow buttons with the usual Windows repeat timing.
#include "widgets/SpinButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

TSpinButton::TSpinButton(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connect(&RepeatTimer, &QTimer::timeout, this, &TSpinButton::RepeatTick);
}

TSpinButton::TArrow TSpinButton::ArrowAt(int y) const
{
    if (y < 0 || y >= height())
        return TArrow::None;
    return y < height() / 2 ? TArrow::Up : TArrow::Down;
}

void TSpinButton::Press(TArrow arrow)
{
    FocusedUp = arrow == TArrow::Up;
    update();
    if (arrow == TArrow::Up)
        emit UpClick();
    else if (arrow == TArrow::Down)
        emit DownClick();
}

void TSpinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    HeldArrow = ArrowAt(event->position().toPoint().y());
    if (HeldArrow == TArrow::None)
        return;
    Press(HeldArrow);
    // The first repeat waits longer, so that a single click stays a single step.
    RepeatTimer.start(FirstRepeatDelayMs);
}

void TSpinButton::RepeatTick()
{
    // A release made while a message box is up goes to the box, never here: only the real
    // button state and an unblocked window tell that the press still lasts.
    const QWidget* modal = QApplication::activeModalWidget();
    if (HeldArrow == TArrow::None || !(QGuiApplication::mouseButtons() & Qt::LeftButton)
        || (modal != nullptr && modal != window())) {
        StopRepeat();
        return;
    }
    if (RepeatTimer.interval() != RepeatIntervalMs)
        RepeatTimer.setInterval(RepeatIntervalMs);
    Press(HeldArrow);
}

void TSpinButton::StopRepeat()
{
    HeldArrow = TArrow::None;
    RepeatTimer.stop();
    update();
}

void TSpinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        StopRepeat();
    QWidget::mouseReleaseEvent(event);
}

void TSpinButton::focusOutEvent(QFocusEvent* event)
{
    StopRepeat();
    QWidget::focusOutEvent(event);
}

void TSpinButton::hideEvent(QHideEvent* event)
{
    StopRepeat();
    QWidget::hideEvent(event);
}

void TSpinButton::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        Press(TArrow::Up);
        break;
    case Qt::Key_Down:
        Press(TArrow::Down);
        break;
    case Qt::Key_Space:
        Press(FocusedUp ? TArrow::Up : TArrow::Down);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TSpinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int index = 0; index < 2; ++index) {
        const TArrow arrow = index == 0 ? TArrow::Up : TArrow::Down;
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = halves[index];
        button.state |= HeldArrow == arrow ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &button, &painter, this);

        QStyleOption arrowOption;
        arrowOption.initFrom(this);
        arrowOption.rect = halves[index].adjusted(3, 2, -3, -2);
        if (hasFocus() && FocusedUp == (arrow == TArrow::Up))
            arrowOption.state |= QStyle::State_HasFocus;
        style()->drawPrimitive(arrow == TArrow::Up ? QStyle::PE_IndicatorArrowUp
                                                   : QStyle::PE_IndicatorArrowDown,
                               &arrowOption, &painter, this);
    }
}
