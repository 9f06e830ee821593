// TSpinEdit: limits, step and whether the text takes typing.
#include "settings/SpinEdit.h"

#include <QLineEdit>

TSpinEdit::TSpinEdit(int minimum, int maximum, int step, int value, TTyping typing, QWidget* parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setSingleStep(step);
    setValue(value);
    // A read-only text keeps the arrows and the arrow keys working, unlike a read-only spin box.
    if (typing == TTyping::ArrowsOnly)
        lineEdit()->setReadOnly(true);
}
