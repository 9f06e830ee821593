// TSpinEdit: limits, step and whether the text takes typing.
#include "settings/SpinEdit.h"

#include <QLineEdit>

#include <algorithm>

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

void TSpinEdit::fixup(QString& input) const
{
    bool isNumber = false;
    input.trimmed().toInt(&isNumber);
    if (!isNumber)
        input = QString::number(std::clamp(0, minimum(), maximum()));
    QSpinBox::fixup(input);
}
