// TSpinEdit: an integer spin box with fixed limits, typeable or worked by its arrows only.
#pragma once

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    enum class TTyping { Typeable, ArrowsOnly };

    TSpinEdit(int minimum, int maximum, int step, int value, TTyping typing, QWidget* parent = nullptr);
};
