// TSpinButtonAccessible: the spin button's two arrows as the increase and decrease actions of one control.
#pragma once

#include <QAccessibleWidget>

class TSpinButton;

class TSpinButtonAccessible : public QAccessibleWidget {
public:
    explicit TSpinButtonAccessible(TSpinButton* spinButton);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
};
