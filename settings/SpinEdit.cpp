// TSpinEdit: limits, step and whether the text takes typing.
#include "settings/SpinEdit.h"

#include <QLineEdit>
#include <QRegularExpression>

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

QValidator::State TSpinEdit::validate(QString& input, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    static const QRegularExpression signedDigits(QStringLiteral("^[+-]?[0-9]*$"));
    return signedDigits.match(input.trimmed()).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void TSpinEdit::fixup(QString& input) const
{
    bool isNumber = false;
    const int number = input.trimmed().toInt(&isNumber);
    input = QString::number(std::clamp(isNumber ? number : 0, minimum(), maximum()));
    QSpinBox::fixup(input);
}
