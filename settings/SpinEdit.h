// TSpinEdit: an integer spin box with fixed limits, typeable or worked by its arrows only.
#pragma once

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    enum class TTyping { Typeable, ArrowsOnly };

    TSpinEdit(int minimum, int maximum, int step, int value, TTyping typing, QWidget* parent = nullptr);

protected:
    // Digits with a sign, or a sign alone, stay while typing even past the limits; fixup
    // brings them in when the box is left.
    QValidator::State validate(QString& input, int& pos) const override;
    // A text left without a number (emptied, a sign alone) reads as 0; any number is brought
    // into the limits.
    void fixup(QString& input) const override;
};
