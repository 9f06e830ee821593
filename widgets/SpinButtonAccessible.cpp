// TSpinButtonAccessible: a screen reader's increase and decrease are one click on the up or down arrow.
#include "widgets/SpinButtonAccessible.h"

#include "widgets/SpinButton.h"

TSpinButtonAccessible::TSpinButtonAccessible(TSpinButton* spinButton)
    : QAccessibleWidget(spinButton, QAccessible::SpinBox)
{
}

QStringList TSpinButtonAccessible::actionNames() const
{
    return {increaseAction(), decreaseAction()};
}

void TSpinButtonAccessible::doAction(const QString& actionName)
{
    auto* spinButton = static_cast<TSpinButton*>(widget());
    if (!spinButton->isEnabled())
        return;
    if (actionName == increaseAction())
        emit spinButton->UpClick();
    else if (actionName == decreaseAction())
        emit spinButton->DownClick();
}
